// Decodes arbitrary bytes as records, in the binary and the JSON form. No
// input may crash or allocate without bound; whatever decodes must encode to
// the bytes it came from (canonical records) or at least to bytes that decode
// and encode again unchanged.
#include <algorithm>
#include <cstdlib>
#include <span>

#include "records.hpp"
#include "record_encoding/codec.hpp"
#include "record_encoding/json_form.hpp"

namespace {

using namespace vantoro;
using encoding::Bytes;

void require(bool condition) {
  if (!condition) std::abort();
}

// The value's encoding reads back and encodes to itself.
template <class T>
void check_stable(const T& value) {
  const Bytes bytes = encoding::encode_record(value);
  require(bytes.size() == encoding::encoded_size(value));
  auto again = encoding::decode_record<T>(bytes);
  require(again.has_value());
  require(encoding::encode_record(*again) == bytes);
}

template <class T>
void check_json(std::span<const std::uint8_t> input) {
  if (auto decoded = encoding::decode_json_record<T>(input)) check_stable(*decoded);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);
  if (auto plain = encoding::decode_record<fuzzing::Plain>(input)) {
    const Bytes bytes = encoding::encode_record(*plain);
    require(bytes.size() <= size && std::equal(bytes.begin(), bytes.end(), input.begin()));
  }
  if (auto timed = encoding::decode_record<fuzzing::Timed>(input)) check_stable(*timed);
  check_json<fuzzing::Plain>(input);
  check_json<fuzzing::Timed>(input);
  return 0;
}
