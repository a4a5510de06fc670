#pragma once

#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vantoro::encoding {

// A parsed JSON text kept as a flat list of nodes: containers refer to their
// items by index, so neither building nor releasing a deeply nested text
// recurses. Every node remembers the byte offset just past its last
// character, which is where errors about it are reported.
struct JsonMember {
  std::string name;
  std::size_t name_end = 0;
  std::size_t value = 0;  // index of the member's node
};
using JsonArray = std::vector<std::size_t>;
using JsonObject = std::vector<JsonMember>;

struct JsonNode {
  std::size_t end = 0;
  std::variant<std::nullptr_t, bool, std::int64_t, std::uint64_t, double, std::string, JsonArray, JsonObject> value;
};

class JsonTree {
 public:
  // Parses exactly one JSON value followed by nothing but whitespace. The
  // error is "<description> at line {} column {}" ("EOF while parsing a
  // value", "expected value", "trailing characters", ...).
  [[nodiscard]] static std::expected<JsonTree, std::string> parse(std::span<const std::uint8_t> text);

  [[nodiscard]] const JsonNode& root() const { return nodes_.front(); }
  [[nodiscard]] const JsonNode& node(std::size_t index) const { return nodes_[index]; }

  // " at line {} column {}" for the place just before byte offset `end`:
  // lines count from 1, columns are the bytes read on that line.
  [[nodiscard]] std::string position(std::size_t end) const;

 private:
  friend class JsonTreeBuilder;
  std::span<const std::uint8_t> text_;
  std::vector<JsonNode> nodes_;
};

}  // namespace vantoro::encoding
