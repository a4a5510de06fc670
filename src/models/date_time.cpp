#include "models/date_time.hpp"

#include <chrono>
#include <cstdio>

namespace vantoro {
namespace {

constexpr std::int64_t seconds_per_day = 86'400;
constexpr std::uint32_t nanos_per_second = 1'000'000'000;

constexpr std::string_view out_of_range = "input is out of range";
constexpr std::string_view invalid_characters = "input contains invalid characters";
constexpr std::string_view premature_end = "premature end of input";
constexpr std::string_view trailing_input = "trailing input";

struct CivilDate {
  std::int64_t year = 1970;
  unsigned month = 1;
  unsigned day = 1;
};

// Days since 1970-01-01 of a proleptic Gregorian date, for any year whose
// day count fits in 64 bits (the era arithmetic avoids the 16-bit year of
// std::chrono::year).
std::int64_t days_from_civil(CivilDate date) {
  const std::int64_t y = date.year - (date.month <= 2 ? 1 : 0);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t year_of_era = y - era * 400;
  const std::int64_t day_of_year = (153 * (date.month + (date.month > 2 ? -3 : 9)) + 2) / 5 + date.day - 1;
  const std::int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146'097 + day_of_era - 719'468;
}

CivilDate civil_from_days(std::int64_t days) {
  days += 719'468;
  const std::int64_t era = (days >= 0 ? days : days - 146'096) / 146'097;
  const std::int64_t day_of_era = days - era * 146'097;
  const std::int64_t year_of_era = (day_of_era - day_of_era / 1460 + day_of_era / 36'524 - day_of_era / 146'096) / 365;
  const std::int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const std::int64_t month_index = (5 * day_of_year + 2) / 153;
  const auto day = static_cast<unsigned>(day_of_year - (153 * month_index + 2) / 5 + 1);
  const auto month = static_cast<unsigned>(month_index < 10 ? month_index + 3 : month_index - 9);
  return {year_of_era + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

bool is_leap_year(std::int64_t year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

unsigned days_in_month(std::int64_t year, unsigned month) {
  static constexpr unsigned lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && is_leap_year(year) ? 29 : lengths[month - 1];
}

std::int64_t floor_div(std::int64_t a, std::int64_t b) {
  return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A left-to-right reader of one RFC 3339 text. The first failure is kept and
// later steps do nothing. Field ranges are checked as each field is read, so
// a bad character or a short text is reported before a later out-of-range
// value, and trailing text before a date that does not exist.
class Rfc3339Reader {
 public:
  explicit Rfc3339Reader(std::string_view text) : text_(text) {}

  std::expected<DateTime, std::string> read() {
    year();
    expect("-");
    field(2, 1, 12, month_);
    expect("-");
    field(2, 1, 31, day_);
    expect("Tt ");
    field(2, 0, 23, hour_);
    expect(":");
    field(2, 0, 59, minute_);
    expect(":");
    field(2, 0, 60, second_);
    fraction();
    offset();
    finish();
    if (!failure_.empty()) return std::unexpected(std::string(failure_));
    return resolve();
  }

 private:
  void fail(std::string_view failure) {
    if (failure_.empty()) failure_ = failure;
  }
  bool at_end() const { return pos_ == text_.size(); }

  // Reads `count` digits, or at least `count` when `open_ended`.
  void number(std::size_t count, std::int64_t& value, bool open_ended = false) {
    if (!failure_.empty()) return;
    value = 0;
    for (std::size_t read = 0; read < count || (open_ended && !at_end() && is_digit(text_[pos_])); ++read) {
      if (at_end()) return fail(premature_end);
      if (!is_digit(text_[pos_])) return fail(invalid_characters);
      if (read == max_digits) return fail(out_of_range);
      value = value * 10 + (text_[pos_++] - '0');
    }
  }

  void field(std::size_t digits, std::int64_t low, std::int64_t high, std::int64_t& value) {
    number(digits, value);
    if (failure_.empty() && (value < low || value > high)) fail(out_of_range);
  }

  void expect(std::string_view choices) {
    if (!failure_.empty()) return;
    if (at_end()) return fail(premature_end);
    if (choices.find(text_[pos_]) == std::string_view::npos) return fail(invalid_characters);
    ++pos_;
  }

  // Four digits, or a sign and at least four digits (how years outside
  // 0..9999 are written).
  void year() {
    const bool has_sign = !at_end() && (text_[pos_] == '+' || text_[pos_] == '-');
    const bool negative = has_sign && text_[pos_] == '-';
    if (has_sign) ++pos_;
    number(4, year_, has_sign);
    if (negative) year_ = -year_;
  }

  void fraction() {
    if (!failure_.empty() || at_end() || text_[pos_] != '.') return;
    ++pos_;
    if (at_end()) return fail(premature_end);
    if (!is_digit(text_[pos_])) return fail(invalid_characters);
    std::uint32_t scale = nanos_per_second;
    for (; !at_end() && is_digit(text_[pos_]); ++pos_) {
      if (scale == 1) continue;  // digits past the ninth are skipped
      scale /= 10;
      nanos_ += static_cast<std::uint32_t>(text_[pos_] - '0') * scale;
    }
  }

  void skip_spaces() {
    while (!at_end() && is_space(text_[pos_])) ++pos_;
  }

  // Z, z, UTC in any case, or +hh:mm / -hh:mm below 24 hours.
  void offset() {
    if (!failure_.empty()) return;
    skip_spaces();
    if (at_end()) return fail(premature_end);
    const char sign = text_[pos_];
    if (sign == 'Z' || sign == 'z') {
      ++pos_;
    } else if (sign == 'U' || sign == 'u') {
      for (std::string_view letter : {"Uu", "Tt", "Cc"}) expect(letter);
    } else if (sign == '+' || sign == '-') {
      ++pos_;
      std::int64_t hours = 0, minutes = 0;
      field(2, 0, 23, hours);
      expect(":");
      field(2, 0, 59, minutes);
      offset_seconds_ = (sign == '-' ? -1 : 1) * (hours * 3600 + minutes * 60);
    } else {
      fail(invalid_characters);
    }
  }

  void finish() {
    if (!failure_.empty()) return;
    skip_spaces();
    if (!at_end()) return fail(trailing_input);
    if (static_cast<unsigned>(day_) > days_in_month(year_, static_cast<unsigned>(month_))) fail(out_of_range);
  }

  std::expected<DateTime, std::string> resolve() const {
    const CivilDate date{year_, static_cast<unsigned>(month_), static_cast<unsigned>(day_)};
    // A leap second is second 59 with a nanosecond part of a second or more.
    const bool leap = second_ == 60;
    const std::int64_t time_of_day = hour_ * 3600 + minute_ * 60 + (leap ? 59 : second_) - offset_seconds_;
    // Borrowing one day keeps the product inside 64 bits for the earliest
    // instants, whose day count times 86,400 alone would not fit.
    const std::int64_t days = days_from_civil(date);
    const std::int64_t borrow = days < 0 ? 1 : 0;
    std::int64_t seconds = 0;
    if (__builtin_mul_overflow(days + borrow, seconds_per_day, &seconds) ||
        __builtin_add_overflow(seconds, time_of_day - borrow * seconds_per_day, &seconds)) {
      return std::unexpected(std::string(out_of_range));
    }
    return DateTime{seconds, nanos_ + (leap ? nanos_per_second : 0)};
  }

  // Keeps the day count of any accepted year well inside 64 bits.
  static constexpr std::size_t max_digits = 12;

  std::string_view text_;
  std::size_t pos_ = 0;
  std::string_view failure_;
  std::int64_t year_ = 0, month_ = 0, day_ = 0, hour_ = 0, minute_ = 0, second_ = 0, offset_seconds_ = 0;
  std::uint32_t nanos_ = 0;
};

}  // namespace

DateTime DateTime::now() {
  const auto since_epoch = std::chrono::duration_cast<std::chrono::nanoseconds>(
      std::chrono::system_clock::now().time_since_epoch());
  const std::int64_t nanos = since_epoch.count();
  const std::int64_t seconds = floor_div(nanos, nanos_per_second);
  return {seconds, static_cast<std::uint32_t>(nanos - seconds * nanos_per_second)};
}

std::string DateTime::to_rfc3339() const {
  const std::int64_t days = floor_div(seconds, seconds_per_day);
  const std::int64_t remainder = seconds % seconds_per_day;
  const std::int64_t time_of_day = remainder < 0 ? remainder + seconds_per_day : remainder;
  const CivilDate date = civil_from_days(days);
  const bool leap = nanos >= nanos_per_second;
  const std::uint32_t fraction = nanos % nanos_per_second;

  char buffer[64];
  const char* year_format = date.year >= 0 && date.year <= 9999 ? "%04lld" : "%+05lld";
  int n = std::snprintf(buffer, sizeof buffer, year_format, static_cast<long long>(date.year));
  n += std::snprintf(buffer + n, sizeof buffer - n, "-%02u-%02uT%02d:%02d:%02d", date.month, date.day,
                     static_cast<int>(time_of_day / 3600), static_cast<int>(time_of_day / 60 % 60),
                     static_cast<int>(time_of_day % 60 + (leap ? 1 : 0)));
  if (fraction != 0) {
    // Whole milliseconds as 3 digits, whole microseconds as 6, else 9.
    const int digits = fraction % 1'000'000 == 0 ? 3 : fraction % 1'000 == 0 ? 6 : 9;
    const std::uint32_t unit = digits == 3 ? 1'000'000 : digits == 6 ? 1'000 : 1;
    n += std::snprintf(buffer + n, sizeof buffer - n, ".%0*u", digits, fraction / unit);
  }
  return std::string(buffer, static_cast<std::size_t>(n)) + 'Z';
}

std::expected<DateTime, std::string> DateTime::parse_rfc3339(std::string_view text) {
  return Rfc3339Reader(text).read();
}

}  // namespace vantoro
