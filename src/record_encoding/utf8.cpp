#include "record_encoding/utf8.hpp"

namespace vantoro::encoding {
namespace {

std::size_t sequence_width(std::uint8_t lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// Whether `second` may follow `lead` (rules out overlong forms, surrogates
// and code points past U+10FFFF).
bool valid_second_byte(std::uint8_t lead, std::uint8_t second) {
  std::uint8_t low = 0x80, high = 0xBF;
  if (lead == 0xE0) low = 0xA0;
  if (lead == 0xED) high = 0x9F;
  if (lead == 0xF0) low = 0x90;
  if (lead == 0xF4) high = 0x8F;
  return second >= low && second <= high;
}

std::span<const std::uint8_t> as_bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace

std::optional<Utf8Failure> find_utf8_failure(std::span<const std::uint8_t> bytes) {
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t width = sequence_width(bytes[start]);
    if (width == 0) return Utf8Failure{start, 1};
    for (std::size_t k = 1; k < width; ++k) {
      if (start + k >= bytes.size()) return Utf8Failure{start, std::nullopt};
      const std::uint8_t next = bytes[start + k];
      const bool fits = k == 1 ? valid_second_byte(bytes[start], next) : (next & 0xC0) == 0x80;
      if (!fits) return Utf8Failure{start, k};
    }
    start += width;
  }
  return std::nullopt;
}

std::optional<std::string> utf8_error(std::span<const std::uint8_t> bytes) {
  auto failure = find_utf8_failure(bytes);
  if (!failure) return std::nullopt;
  const auto index = std::to_string(failure->valid_up_to);
  if (!failure->invalid_length) return "incomplete utf-8 byte sequence from index " + index;
  return "invalid utf-8 sequence of " + std::to_string(*failure->invalid_length) + " bytes from index " + index;
}

std::string to_utf8_lossy(std::string_view text) {
  std::string out;
  while (auto failure = find_utf8_failure(as_bytes(text))) {
    out.append(text.substr(0, failure->valid_up_to));
    out.append("\xEF\xBF\xBD");
    text.remove_prefix(failure->valid_up_to + failure->invalid_length.value_or(text.size() - failure->valid_up_to));
  }
  out.append(text);
  return out;
}

}  // namespace vantoro::encoding
