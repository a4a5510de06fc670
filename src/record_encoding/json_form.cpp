#include "record_encoding/json_form.hpp"

namespace vantoro::encoding {
namespace {

std::string describe_float(double number) {
  char buffer[32];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, number);
  std::string text(buffer, written.ptr);
  if (text.find_first_of(".e") == std::string::npos) text += ".0";
  return text;
}

// What the reader found, as the error texts name it: null, boolean `true`,
// integer `5`, floating point `1.5`, string "abc", sequence, map.
std::string describe(const JsonNode& node) {
  struct Describe {
    std::string operator()(std::nullptr_t) const { return "null"; }
    std::string operator()(bool flag) const { return flag ? "boolean `true`" : "boolean `false`"; }
    std::string operator()(std::int64_t number) const { return "integer `" + std::to_string(number) + "`"; }
    std::string operator()(std::uint64_t number) const { return "integer `" + std::to_string(number) + "`"; }
    std::string operator()(double number) const { return "floating point `" + describe_float(number) + "`"; }
    std::string operator()(const std::string& text) const { return "string \"" + text + "\""; }
    std::string operator()(const JsonArray&) const { return "sequence"; }
    std::string operator()(const JsonObject&) const { return "map"; }
  };
  return std::visit(Describe{}, node.value);
}

}  // namespace

void JsonReader::fail(std::string_view description, std::size_t end) {
  if (failure_.empty()) failure_ = std::string(description) + tree_.position(end);
}

void JsonReader::invalid_type(const JsonNode& node, std::string_view expected) {
  fail("invalid type: " + describe(node) + ", expected " + std::string(expected), node.end);
}

void JsonReader::invalid_value(const JsonNode& node, std::string_view expected) {
  fail("invalid value: " + describe(node) + ", expected " + std::string(expected), node.end);
}

void JsonReader::unknown_variant(std::string_view name, std::span<const std::string_view> names, std::size_t end) {
  std::string message = "unknown variant `" + std::string(name) + "`, expected ";
  if (names.size() > 1) message += "one of ";
  for (std::size_t i = 0; i < names.size(); ++i) {
    message += (i == 0 ? "`" : ", `") + std::string(names[i]) + "`";
  }
  fail(message, end);
}

const std::string* JsonReader::text(const JsonNode& node, std::string_view expected) {
  const auto* text = std::get_if<std::string>(&node.value);
  if (!text) invalid_type(node, expected);
  return text;
}

}  // namespace vantoro::encoding
