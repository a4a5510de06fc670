#include "record_encoding/codec.hpp"

namespace vantoro::encoding {

void read_variant_index(ByteReader& in, std::uint32_t count, std::uint32_t& index) {
  read(in, index);
  if (in.ok() && index >= count) {
    in.fail("invalid value: integer `" + std::to_string(index) + "`, expected variant index 0 <= i < " + std::to_string(count));
  }
}

std::string read_text(ByteReader& in) {
  std::uint64_t length = 0;
  read(in, length);
  auto bytes = in.take_sized(length);
  if (!in.ok()) return {};
  if (auto detail = utf8_error(bytes)) {
    in.fail("string is not valid utf8: " + *detail);
    return {};
  }
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace vantoro::encoding
