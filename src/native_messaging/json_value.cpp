#include "native_messaging/json_value.hpp"

namespace vantoro::native_messaging {
namespace {

using DomBuilder = nlohmann::detail::json_sax_dom_parser<JsonValue>;

// Builds values exactly like the library's own parser, with two changes:
// "-0" is no negative integer, so it is held as the double -0.0; and nesting
// stops at max_json_depth. sax_parse is a template over the handler type,
// so these members hide the base ones without being virtual.
class BoundedBuilder : public DomBuilder {
 public:
  explicit BoundedBuilder(JsonValue& root) : DomBuilder(root, true) {}

  [[nodiscard]] bool too_deep() const { return depth_ > max_json_depth; }

  bool number_integer(JsonValue::number_integer_t value) {
    if (value == 0) return DomBuilder::number_float(-0.0, "-0");
    return DomBuilder::number_integer(value);
  }
  bool start_object(std::size_t size) { return enter() && DomBuilder::start_object(size); }
  bool start_array(std::size_t size) { return enter() && DomBuilder::start_array(size); }
  bool end_object() {
    --depth_;
    return DomBuilder::end_object();
  }
  bool end_array() {
    --depth_;
    return DomBuilder::end_array();
  }

 private:
  bool enter() { return ++depth_ <= max_json_depth; }

  std::size_t depth_ = 0;
};

}  // namespace

TextResult<JsonValue> parse_json(std::string_view text) {
  JsonValue root;
  BoundedBuilder builder(root);
  try {
    JsonValue::sax_parse(text.data(), text.data() + text.size(), &builder);
  } catch (const JsonValue::exception& e) {
    return std::unexpected(TextError{e.what()});
  }
  if (builder.too_deep()) {
    return std::unexpected(TextError{"nesting deeper than " + std::to_string(max_json_depth) + " levels"});
  }
  return root;
}

TextResult<void> append_json(std::string& out, const JsonValue& value) {
  nlohmann::detail::serializer<JsonValue> writer(nlohmann::detail::output_adapter<char>(out), ' ',
                                                 JsonValue::error_handler_t::strict);
  try {
    writer.dump(value, false, false, 0);
  } catch (const JsonValue::exception& e) {
    return std::unexpected(TextError{e.what()});
  }
  return {};
}

}  // namespace vantoro::native_messaging
