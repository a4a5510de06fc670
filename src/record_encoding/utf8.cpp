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

}  // namespace

std::optional<std::string> utf8_error(std::span<const std::uint8_t> bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const std::size_t start = i;
    const std::size_t width = sequence_width(bytes[i]);
    auto invalid = [&](std::size_t length) {
      return "invalid utf-8 sequence of " + std::to_string(length) + " bytes from index " + std::to_string(start);
    };
    if (width == 0) return invalid(1);
    for (std::size_t k = 1; k < width; ++k) {
      if (start + k >= bytes.size()) return "incomplete utf-8 byte sequence from index " + std::to_string(start);
      const std::uint8_t next = bytes[start + k];
      const bool fits = k == 1 ? valid_second_byte(bytes[start], next) : (next & 0xC0) == 0x80;
      if (!fits) return invalid(k);
    }
    i = start + width;
  }
  return std::nullopt;
}

}  // namespace vantoro::encoding
