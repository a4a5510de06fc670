#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "record_encoding/decode_error.hpp"

namespace vantoro::encoding {

// Bounds-checked cursor over encoded bytes. The first failure is kept and
// every later read fails too, so field visitors need not test after each
// field; the caller looks at ok()/error() once at the end.
class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> input) : input_(input) {}

  [[nodiscard]] bool ok() const { return !error_; }
  [[nodiscard]] const DecodeError& error() const { return *error_; }
  [[nodiscard]] std::size_t position() const { return position_; }
  [[nodiscard]] std::size_t remaining() const { return input_.size() - position_; }

  // Records the first failure only.
  void fail(std::string message, bool end_of_input = false);

  // The next `n` bytes of a fixed-width value, or empty after failing with
  // "io error: unexpected end of file".
  [[nodiscard]] std::span<const std::uint8_t> take_fixed(std::size_t n);

  // The next `n` bytes of a length-prefixed text or byte string, or empty
  // after failing with "io error: " when fewer remain.
  [[nodiscard]] std::span<const std::uint8_t> take_sized(std::uint64_t n);

 private:
  std::span<const std::uint8_t> input_;
  std::size_t position_ = 0;
  std::optional<DecodeError> error_;
};

}  // namespace vantoro::encoding
