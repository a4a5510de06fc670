// Decodes arbitrary bytes as an entry index. Decoding never crashes, and
// BTreeIndex::deserialize accepts exactly what decodes and validates, with
// a DeserializationError for what does not decode. Whatever decodes
// re-encodes to a canonical form: decoding that form and encoding it again
// gives the same bytes. (The first encoding may differ from the input: a
// reader accepts map entries in any order and date-times with offsets.)
#include <cstdint>
#include <cstdlib>
#include <span>

#include "format/btree_index.hpp"
#include "record_encoding/codec.hpp"

using namespace vantoro;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);
  const auto loaded = format::BTreeIndex::deserialize(input);
  const auto decoded = encoding::decode_record<format::BTreeIndex>(input);
  if (!decoded) {
    if (loaded || !loaded.error().is(FormatError::DeserializationError)) std::abort();
    return 0;
  }
  if (loaded.has_value() != decoded->validate().has_value()) std::abort();

  const encoding::Bytes canonical = decoded->serialize();
  if (canonical.size() != encoding::encoded_size(*decoded)) std::abort();
  const auto again = encoding::decode_record<format::BTreeIndex>(canonical);
  if (!again || again->serialize() != canonical) std::abort();
  if (again->validate().has_value() != decoded->validate().has_value()) std::abort();
  return 0;
}
