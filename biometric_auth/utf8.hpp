#pragma once

#include <cstdint>
#include <span>

namespace vantoro::biometric_auth {

// True when `bytes` are well-formed UTF-8: shortest forms only, no surrogates,
// nothing above U+10FFFF.
[[nodiscard]] bool isValidUtf8(std::span<const std::uint8_t> bytes);

}  // namespace vantoro::biometric_auth
