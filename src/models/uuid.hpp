#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vantoro {

// A 128-bit identifier held as its 16 bytes in RFC 4122 order. Ordering
// compares the bytes left to right as unsigned values, which is the order of
// every UUID-keyed map on disk. New random ids come from crypto::random_uuid.
struct Uuid {
  std::array<std::uint8_t, 16> bytes{};

  // Hyphenated lower case: 8-4-4-4-12 hex digits.
  [[nodiscard]] std::string to_string() const;

  // Reads the hyphenated, simple (32 digits), braced and "urn:uuid:" forms,
  // hex digits in either case. Anything else gives nothing.
  [[nodiscard]] static std::optional<Uuid> parse(std::string_view text);

  [[nodiscard]] bool is_nil() const { return bytes == std::array<std::uint8_t, 16>{}; }

  friend auto operator<=>(const Uuid&, const Uuid&) = default;
  friend bool operator==(const Uuid&, const Uuid&) = default;
};

}  // namespace vantoro

// Hash containers keyed by UUID (entry cache, history journal, folders) hash
// the 16 bytes; only membership matters, never the iteration order.
template <>
struct std::hash<vantoro::Uuid> {
  std::size_t operator()(const vantoro::Uuid& id) const noexcept {
    return std::hash<std::string_view>{}({reinterpret_cast<const char*>(id.bytes.data()), id.bytes.size()});
  }
};
