#include "models/uuid.hpp"

namespace vantoro {
namespace {

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

// Reads 32 hex digits; when `hyphenated`, hyphens must sit exactly at 8-4-4-4-12.
std::optional<Uuid> parse_digits(std::string_view text, bool hyphenated) {
  if (text.size() != (hyphenated ? 36u : 32u)) return std::nullopt;
  Uuid id;
  std::size_t nibble = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (hyphenated && (i == 8 || i == 13 || i == 18 || i == 23)) {
      if (text[i] != '-') return std::nullopt;
      continue;
    }
    int value = hex_value(text[i]);
    if (value < 0) return std::nullopt;
    id.bytes[nibble / 2] = static_cast<std::uint8_t>(id.bytes[nibble / 2] | (nibble % 2 ? value : value << 4));
    ++nibble;
  }
  return id;
}

}  // namespace

std::string Uuid::to_string() const {
  static constexpr char digits[] = "0123456789abcdef";
  std::string out;
  out.reserve(36);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out.push_back('-');
    out.push_back(digits[bytes[i] >> 4]);
    out.push_back(digits[bytes[i] & 0xF]);
  }
  return out;
}

std::optional<Uuid> Uuid::parse(std::string_view text) {
  if (starts_with_ignoring_case(text, "urn:uuid:")) return parse_digits(text.substr(9), true);
  if (text.size() == 38 && text.front() == '{' && text.back() == '}') {
    return parse_digits(text.substr(1, 36), true);
  }
  return parse_digits(text, text.size() == 36);
}

}  // namespace vantoro
