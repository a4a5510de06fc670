#include "record_encoding/json_tree.hpp"

#include <algorithm>
#include <iterator>
#include <nlohmann/json.hpp>

namespace vantoro::encoding {
namespace {

using nlohmann::json;

// Serves the text to the parser and counts the characters it has pulled, so
// each parse event knows where its token ended. One space is served past the
// real end: the parser then always reads one character past a number (and
// only past a number) before reporting it, and a trailing space changes
// nothing else about what parses.
class CountingIterator {
 public:
  using iterator_category = std::input_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = char;

  CountingIterator(std::span<const std::uint8_t> text, std::size_t index, std::size_t& pulled)
      : text_(text), index_(index), pulled_(&pulled) {}

  char operator*() const { return index_ < text_.size() ? static_cast<char>(text_[index_]) : ' '; }
  CountingIterator& operator++() {
    *pulled_ = ++index_;
    return *this;
  }
  CountingIterator operator++(int) {
    CountingIterator before = *this;
    ++*this;
    return before;
  }
  bool operator==(const CountingIterator& other) const { return index_ == other.index_; }

 private:
  std::span<const std::uint8_t> text_;
  std::size_t index_;
  std::size_t* pulled_;
};

bool is_json_space(std::uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// A short description of the parser's complaint; the parser's own message
// reads "[json.exception...] parse error at line 1, column 4: syntax error
// while parsing value - invalid literal; last read: 'tx'".
std::string describe(std::string_view message, bool at_end) {
  if (at_end) return "EOF while parsing a value";
  if (message.find("number overflow") != std::string_view::npos) return "number out of range";
  auto detail = message.substr(std::min(message.find(" - "), message.size() - 3) + 3);
  if (auto cut = detail.find("; last read"); cut != std::string_view::npos) return std::string(detail.substr(0, cut));
  auto expected = detail.find("; expected ");
  if (expected == std::string_view::npos) return std::string(detail);
  detail.remove_prefix(expected + 11);
  static constexpr std::pair<std::string_view, std::string_view> wanted[] = {
      {"'[', '{', or a literal", "expected value"}, {"']'", "expected `,` or `]`"}, {"'}'", "expected `,` or `}`"},
      {"':'", "expected `:`"},  {"string literal", "key must be a string"},
  };
  for (const auto& [token, description] : wanted) {
    if (detail == token) return std::string(description);
  }
  return "expected " + std::string(detail);
}

}  // namespace

// Receives the parser's events and appends one node per value.
class JsonTreeBuilder {
 public:
  JsonTreeBuilder(JsonTree& tree, const std::size_t& pulled) : tree_(tree), pulled_(pulled) {}

  bool null() { return scalar(nullptr, pulled_); }
  bool boolean(bool value) { return scalar(value, pulled_); }
  // A number is reported after the parser has read the character behind it.
  bool number_integer(json::number_integer_t value) { return scalar(std::int64_t{value}, pulled_ - 1); }
  bool number_unsigned(json::number_unsigned_t value) { return scalar(std::uint64_t{value}, pulled_ - 1); }
  bool number_float(json::number_float_t value, const json::string_t&) { return scalar(value, pulled_ - 1); }
  bool string(json::string_t& value) { return scalar(std::move(value), pulled_); }
  bool binary(json::binary_t&) { return false; }  // not produced by JSON text

  bool start_object(std::size_t) { return open(JsonObject{}); }
  bool start_array(std::size_t) { return open(JsonArray{}); }
  bool key(json::string_t& name) {
    key_ = JsonMember{std::move(name), pulled_, 0};
    return true;
  }
  bool end_object() { return close(); }
  bool end_array() { return close(); }

  bool parse_error(std::size_t position, const std::string&, const json::exception& error) {
    const std::size_t size = tree_.text_.size();
    error_ = describe(error.what(), position > size) + tree_.position(std::min(position, size));
    return false;
  }

  [[nodiscard]] const std::string& error() const { return error_; }

 private:
  template <class V>
  std::size_t add(V value, std::size_t end) {
    const std::size_t index = tree_.nodes_.size();
    JsonNode& node = tree_.nodes_.emplace_back();
    node.end = end;
    node.value.template emplace<V>(std::move(value));
    if (!open_.empty()) {
      auto& parent = tree_.nodes_[open_.back()].value;
      if (auto* members = std::get_if<JsonObject>(&parent)) {
        key_.value = index;
        members->push_back(std::move(key_));
      } else {
        std::get<JsonArray>(parent).push_back(index);
      }
    }
    return index;
  }

  template <class V>
  bool scalar(V value, std::size_t end) {
    add(std::move(value), end);
    return true;
  }

  template <class V>
  bool open(V container) {
    open_.push_back(add(std::move(container), 0));
    return true;
  }

  bool close() {
    tree_.nodes_[open_.back()].end = pulled_;
    open_.pop_back();
    return true;
  }

  JsonTree& tree_;
  const std::size_t& pulled_;
  std::vector<std::size_t> open_;  // the containers being filled, innermost last
  JsonMember key_;
  std::string error_;
};

std::expected<JsonTree, std::string> JsonTree::parse(std::span<const std::uint8_t> text) {
  JsonTree tree;
  tree.text_ = text;
  std::size_t pulled = 0;
  JsonTreeBuilder builder(tree, pulled);
  const bool parsed = json::sax_parse(CountingIterator(text, 0, pulled), CountingIterator(text, text.size() + 1, pulled),
                                      &builder, json::input_format_t::json, false);
  if (!parsed) return std::unexpected(builder.error());
  auto rest = std::find_if_not(text.begin() + static_cast<std::ptrdiff_t>(tree.root().end), text.end(), is_json_space);
  if (rest != text.end()) return std::unexpected("trailing characters" + tree.position(static_cast<std::size_t>(rest - text.begin()) + 1));
  return tree;
}

std::string JsonTree::position(std::size_t end) const {
  const auto before = text_.first(std::min(end, text_.size()));
  const auto line = 1 + std::count(before.begin(), before.end(), '\n');
  const auto column = std::find(before.rbegin(), before.rend(), '\n') - before.rbegin();
  return " at line " + std::to_string(line) + " column " + std::to_string(column);
}

}  // namespace vantoro::encoding
