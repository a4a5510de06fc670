#pragma once

#include <expected>
#include <string>

namespace vantoro::native_messaging {

// The host's errors are plain values whose whole content is their text:
// callers only display them, wrap them in a longer text, or drop them.
struct TextError {
  std::string text;
};

template <class T>
using TextResult = std::expected<T, TextError>;

}  // namespace vantoro::native_messaging
