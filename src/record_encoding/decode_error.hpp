#pragma once

#include <expected>
#include <string>

namespace vantoro::encoding {

// A failed decode: the decoder's fixed message, and whether the input simply
// ran out (callers such as the legacy-entry fallback test this, not the text).
struct DecodeError {
  bool end_of_input = false;
  std::string message;
};

template <class T>
using Decoded = std::expected<T, DecodeError>;

}  // namespace vantoro::encoding
