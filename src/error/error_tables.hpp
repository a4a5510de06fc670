#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "error/error_kinds.hpp"

namespace vantoro::error {

// Index into ErrorPayload's alternatives.
enum class PayloadType : std::uint8_t { None, Text, Count, U32, U16, Uuid };

struct KindInfo {
  std::string_view name;     // debug-form name, e.g. "FileNotFound"
  std::string_view text;     // display text with "{}" for the payload
  PayloadType payload;
};

struct FamilyInfo {
  std::string_view name;     // "Storage"
  std::string_view text;     // "Storage error: {}"
  std::span<const KindInfo> kinds;
};

// Indexed by ErrorFamily.
[[nodiscard]] const FamilyInfo& family_info(ErrorFamily family);

}  // namespace vantoro::error
