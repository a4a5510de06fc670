#include "error/app_error.hpp"

#include <cassert>
#include <cstdio>

#include "error/error_tables.hpp"

namespace vantoro {
namespace {

struct CodeRange {
  char32_t first;
  char32_t last;
};

// Characters the debug form writes as \u{..}: control, format, separator
// (other than the plain space), private-use and non-characters, and the
// combining marks that extend a grapheme.
constexpr CodeRange escaped_ranges[] = {
    {0x00, 0x1F},       {0x7F, 0x9F},       {0xA0, 0xA0},       {0xAD, 0xAD},
    {0x0300, 0x036F},   {0x0483, 0x0489},   {0x0591, 0x05BD},   {0x0600, 0x0605},
    {0x061C, 0x061C},   {0x06DD, 0x06DD},   {0x070F, 0x070F},   {0x1680, 0x1680},
    {0x180E, 0x180E},   {0x2000, 0x200F},   {0x2028, 0x202F},   {0x205F, 0x206F},
    {0x20D0, 0x20F0},   {0x3000, 0x3000},   {0xD800, 0xF8FF},   {0xFE00, 0xFE0F},
    {0xFE20, 0xFE2F},   {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},   {0xFFFE, 0xFFFF},
    {0xE0000, 0xE0FFF}, {0xF0000, 0x10FFFF},
};

bool needs_escape(char32_t c) {
  for (const auto& range : escaped_ranges) {
    if (c >= range.first && c <= range.last) return true;
  }
  return false;
}

// Decodes one UTF-8 sequence at `pos`; returns its length, or 0 when invalid.
std::size_t decode_utf8(std::string_view text, std::size_t pos, char32_t& out) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(pos);
  std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
  if (length == 0 || pos + length > text.size()) return 0;
  char32_t value = length == 1 ? lead : lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(pos + i) & 0xC0) != 0x80) return 0;
    value = (value << 6) | (byte(pos + i) & 0x3F);
  }
  constexpr char32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < minimum[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  out = value;
  return length;
}

void append_code_point_escape(std::string& out, char32_t c) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "\\u{%x}", static_cast<unsigned>(c));
  out += buffer;
}

// A byte that is not part of valid UTF-8 (only possible in paths).
void append_byte_escape(std::string& out, unsigned char byte) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "\\x%02x", byte);
  out += buffer;
}

std::string fill(std::string_view pattern, std::string_view value) {
  std::string out(pattern);
  if (auto at = out.find("{}"); at != std::string::npos) out.replace(at, 2, value);
  return out;
}

struct PayloadDisplay {
  std::string operator()(std::monostate) const { return {}; }
  std::string operator()(const std::string& text) const { return text; }
  std::string operator()(const Uuid& id) const { return id.to_string(); }
  std::string operator()(auto number) const { return std::to_string(number); }
};

std::string payload_display(const ErrorPayload& payload) { return std::visit(PayloadDisplay{}, payload); }

std::string payload_debug(const ErrorPayload& payload) {
  if (const auto* text = std::get_if<std::string>(&payload)) return debug_quoted(*text);
  return payload_display(payload);
}

const std::string empty_text;

}  // namespace

std::string debug_quoted(std::string_view text) {
  std::string out = "\"";
  for (std::size_t pos = 0; pos < text.size();) {
    char32_t c = 0;
    std::size_t length = decode_utf8(text, pos, c);
    if (length == 0) {
      append_byte_escape(out, static_cast<unsigned char>(text[pos]));
      ++pos;
      continue;
    }
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\0': out += "\\0"; break;
      default:
        if (needs_escape(c)) {
          append_code_point_escape(out, c);
        } else {
          out.append(text.substr(pos, length));
        }
    }
    pos += length;
  }
  out += '"';
  return out;
}

AppError AppError::unknown(std::string text) {
  AppError error;
  error.payload_ = std::move(text);
  return error;
}

void AppError::check_payload() const {
  [[maybe_unused]] const auto& kinds = error::family_info(family_).kinds;
  assert(kind_ < kinds.size());
  assert(static_cast<std::size_t>(kinds[kind_].payload) == payload_.index());
}

const std::string& AppError::text() const {
  const auto* text = std::get_if<std::string>(&payload_);
  return text ? *text : empty_text;
}

std::optional<std::string> AppError::cause_display() const {
  if (family_ == ErrorFamily::Unknown) return std::nullopt;
  return fill(error::family_info(family_).kinds[kind_].text, payload_display(payload_));
}

std::optional<std::string> AppError::cause_debug() const {
  if (family_ == ErrorFamily::Unknown) return std::nullopt;
  const auto& kind = error::family_info(family_).kinds[kind_];
  if (std::holds_alternative<std::monostate>(payload_)) return std::string(kind.name);
  return std::string(kind.name) + "(" + payload_debug(payload_) + ")";
}

std::string AppError::display() const {
  const auto& family = error::family_info(family_);
  return fill(family.text, cause_display().value_or(text()));
}

std::string AppError::debug() const {
  const auto& family = error::family_info(family_);
  return std::string(family.name) + "(" + cause_debug().value_or(debug_quoted(text())) + ")";
}

}  // namespace vantoro
