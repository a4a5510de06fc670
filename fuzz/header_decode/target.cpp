// Feeds arbitrary bytes to the header decoder as a decrypted plaintext.
// A header that decodes must encode to bytes that decode to the same header
// and encode to the same bytes again; a failure must be a
// DeserializationError with one of the decoder's two texts.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "format/secure_header.hpp"
#include "record_encoding/codec.hpp"

namespace {

using vantoro::format::SecureHeader;

void check_round_trip(const SecureHeader& header) {
  const auto bytes = vantoro::encoding::encode_record(header);
  if (bytes.size() != vantoro::encoding::encoded_size(header)) std::abort();
  const auto again = vantoro::format::decode_header(bytes);
  if (!again || !(*again == header)) std::abort();
  if (vantoro::encoding::encode_record(*again) != bytes) std::abort();
}

bool is_decoder_text(std::string_view text) {
  return text.starts_with("Header format mismatch: ") || text.starts_with("Bincode and JSON deserialize failed: bincode=");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto header = vantoro::format::decode_header(std::span(data, size));
  if (header) {
    check_round_trip(*header);
  } else if (!header.error().is(vantoro::FormatError::DeserializationError) || !is_decoder_text(header.error().text())) {
    std::abort();
  }
  return 0;
}
