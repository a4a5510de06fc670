#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "models/entry.hpp"
#include "record_encoding/json_form.hpp"

namespace vantoro {
namespace {

auto read_entry(std::string_view json) {
  return encoding::decode_json_record<Entry>(
      std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(json.data()), json.size()));
}

// An entry's JSON form with `data` and the rest of the members spliced in.
std::string entry_json(std::string_view data, std::string_view more = "") {
  return std::string(R"({"id": "67e55044-10b1-426f-9247-bb680e5fe0c8", "entry_type": "Password", "title": "mail",
    "created_at": "2024-03-05T14:07:09.120Z", "updated_at": "2024-03-05 16:07:09.12+02:00", "data": )") +
         std::string(data) + std::string(more) + "}";
}

TEST(EntryJson, MissingTagsFavouriteAndOptionalsTakeTheirDefaults) {
  auto entry = read_entry(entry_json(R"({"Password": {"password": "hunter2", "url": null}})", R"(, "unknown": [1])"));
  ASSERT_TRUE(entry.has_value()) << entry.error();
  EXPECT_EQ(entry->id.to_string(), "67e55044-10b1-426f-9247-bb680e5fe0c8");
  EXPECT_EQ(entry->entry_type, EntryType::Password);
  EXPECT_EQ(entry->title, "mail");
  EXPECT_TRUE(entry->tags.empty());
  EXPECT_FALSE(entry->is_favorite);
  EXPECT_FALSE(entry->category.has_value());
  EXPECT_FALSE(entry->last_accessed.has_value());
  EXPECT_FALSE(entry->folder_id.has_value());
  EXPECT_EQ(entry->created_at, entry->updated_at);  // 16:07:09.12+02:00 is 14:07:09.120Z

  const auto& password = std::get<PasswordData>(entry->data);
  EXPECT_EQ(password.password, "hunter2");
  EXPECT_FALSE(password.username.has_value());
  EXPECT_FALSE(password.url.has_value());
  EXPECT_FALSE(password.totp_digits.has_value());
}

TEST(EntryJson, PresentMembersAreRead) {
  auto entry = read_entry(entry_json(
      R"({"Password": {"username": "ann", "password": "p", "totp_digits": 6, "totp_period": 30}})",
      R"(, "tags": ["a", "b"], "is_favorite": true, "folder_id": "{00000000-0000-0000-0000-0000000000ff}",
          "last_accessed": "2024-03-06T00:00:00Z", "category": "work")"));
  ASSERT_TRUE(entry.has_value()) << entry.error();
  EXPECT_EQ(entry->tags, (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(entry->is_favorite);
  ASSERT_TRUE(entry->folder_id.has_value());
  EXPECT_EQ(entry->folder_id->bytes[15], 0xff);
  EXPECT_TRUE(entry->last_accessed.has_value());
  EXPECT_EQ(entry->category, "work");
  const auto& password = std::get<PasswordData>(entry->data);
  EXPECT_EQ(password.username, "ann");
  EXPECT_EQ(password.totp_digits, 6);
  EXPECT_EQ(password.totp_period, 30u);
}

TEST(EntryJson, DocumentContentIsAnArrayOfBytes) {
  auto entry = read_entry(entry_json(R"({"Document": {"filename": "a.bin", "mime_type": "application/octet-stream",
                                         "content": [0, 7, 255]}})"));
  ASSERT_TRUE(entry.has_value()) << entry.error();
  const auto& document = std::get<DocumentData>(entry->data);
  EXPECT_EQ(document.content, (std::vector<std::uint8_t>{0, 7, 255}));
  EXPECT_FALSE(document.notes.has_value());
}

TEST(EntryJson, RequiredMembersMustBePresent) {
  struct Case {
    std::string json;
    std::string_view message_start;
  };
  const Case cases[] = {
      {entry_json(R"({"Password": {"username": "ann"}})"), "missing field `password` at line "},
      {entry_json(R"({"WiFi": {"ssid": "home"}})"), "missing field `wifi_password` at line "},
      {R"({"id": "67e55044-10b1-426f-9247-bb680e5fe0c8", "entry_type": "Note", "title": "t",
          "data": {"Note": {"content": "c"}}, "created_at": "2024-03-05T14:07:09Z"})",
       "missing field `updated_at` at line "},
  };
  for (const auto& [json, message_start] : cases) {
    SCOPED_TRACE(json);
    auto entry = read_entry(json);
    ASSERT_FALSE(entry.has_value());
    EXPECT_TRUE(entry.error().starts_with(message_start)) << entry.error();
  }
}

TEST(EntryJson, UnknownKindIsRejected) {
  std::string json = entry_json(R"({"Note": {"content": "c"}})");
  json.replace(json.find("\"Password\""), 10, "\"Secret\"");
  EXPECT_FALSE(read_entry(json).has_value());
  EXPECT_FALSE(read_entry(entry_json(R"({"Secret": {"content": "c"}})")).has_value());
}

}  // namespace
}  // namespace vantoro
