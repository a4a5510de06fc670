#pragma once

#include <compare>
#include <cstdint>
#include <expected>
#include <string>
#include <string_view>

namespace vantoro {

// A UTC instant with nanosecond precision: whole seconds since the Unix epoch
// (negative before 1970) plus 0..999,999,999 nanoseconds, so years far outside
// 1677-2262 are representable. A leap second is nanos >= 1e9 (written as :60).
struct DateTime {
  std::int64_t seconds = 0;
  std::uint32_t nanos = 0;

  [[nodiscard]] static DateTime now();

  // RFC 3339 in UTC: YYYY-MM-DDThh:mm:ss[.fff|.ffffff|.fffffffff]Z, the year
  // signed and at least five characters outside 0..9999.
  [[nodiscard]] std::string to_rfc3339() const;

  // Reads RFC 3339 text (T, t or space separator; Z, z, UTC in any case or a
  // +hh:mm offset; fraction digits beyond nine skipped; trailing whitespace).
  // The error is one of the reader's fixed texts ("input is out of range",
  // "premature end of input", "trailing input", ...).
  [[nodiscard]] static std::expected<DateTime, std::string> parse_rfc3339(std::string_view text);

  friend auto operator<=>(const DateTime&, const DateTime&) = default;
  friend bool operator==(const DateTime&, const DateTime&) = default;
};

}  // namespace vantoro
