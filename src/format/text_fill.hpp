#pragma once

#include <concepts>
#include <string>
#include <string_view>

namespace vantoro::format {

template <class T>
[[nodiscard]] std::string text_of(const T& value) {
  if constexpr (std::integral<T>) {
    return std::to_string(value);
  } else {
    return std::string(std::string_view(value));
  }
}

// `text` with each "{}" replaced, left to right, by the next value: integers
// in decimal, texts as they are. A value that itself holds "{}" is not
// filled again.
//   fill_text("size: {} (pos: {})", 3u, 7u) -> "size: 3 (pos: 7)"
template <class... Args>
[[nodiscard]] std::string fill_text(std::string_view text, const Args&... args) {
  std::string out(text);
  std::size_t from = 0;
  auto put = [&](const std::string& value) {
    auto at = out.find("{}", from);
    if (at == std::string::npos) return;
    out.replace(at, 2, value);
    from = at + value.size();
  };
  (put(text_of(args)), ...);
  return out;
}

}  // namespace vantoro::format
