#include "record_encoding/byte_reader.hpp"

namespace vantoro::encoding {

void ByteReader::fail(std::string message, bool end_of_input) {
  if (!error_) error_ = DecodeError{end_of_input, std::move(message)};
}

std::span<const std::uint8_t> ByteReader::take_fixed(std::size_t n) {
  if (error_) return {};
  if (n > remaining()) {
    fail("io error: unexpected end of file", true);
    return {};
  }
  auto bytes = input_.subspan(position_, n);
  position_ += n;
  return bytes;
}

std::span<const std::uint8_t> ByteReader::take_sized(std::uint64_t n) {
  if (error_) return {};
  if (n > remaining()) {
    fail("io error: ", true);
    return {};
  }
  auto bytes = input_.subspan(position_, static_cast<std::size_t>(n));
  position_ += static_cast<std::size_t>(n);
  return bytes;
}

}  // namespace vantoro::encoding
