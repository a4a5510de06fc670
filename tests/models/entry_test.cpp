#include "models/entry.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "record_encoding/codec.hpp"
#include "support/sample_entries.hpp"

namespace vantoro {
namespace {

using encoding::Bytes;
using encoding::decode_record;
using encoding::encode_record;
using encoding::encoded_size;
using testing::Fill;

// decode(encode(x)) == x, the bytes re-encode identically, and the size
// counter agrees with the writer.
template <class T>
void expect_round_trip(const T& record) {
  Bytes bytes = encode_record(record);
  EXPECT_EQ(encoded_size(record), bytes.size());
  auto decoded = decode_record<T>(bytes);
  ASSERT_TRUE(decoded.has_value()) << decoded.error().message;
  EXPECT_EQ(*decoded, record);
  EXPECT_EQ(encode_record(*decoded), bytes);
}

EntryLegacy legacy_of(const Entry& e) {
  return EntryLegacy{e.id, e.entry_type, e.title, e.data, e.category, e.subtype, e.tags, e.created_at, e.updated_at, e.last_accessed};
}

TEST(EntryEncoding, EveryKindRoundTripsWithFieldsPresentAndAbsent) {
  for (Fill fill : {Fill::Everything, Fill::RequiredOnly}) {
    auto entries = testing::sample_entries_of_every_kind(fill);
    ASSERT_EQ(entries.size(), 20u);
    for (std::size_t kind = 0; kind < entries.size(); ++kind) {
      const Entry& entry = entries[kind];
      SCOPED_TRACE(std::string(entry_type_name(entry.entry_type)) + (fill == Fill::Everything ? " full" : " minimal"));
      ASSERT_EQ(static_cast<std::size_t>(entry.entry_type), kind);
      ASSERT_EQ(entry.data.index(), kind);
      expect_round_trip(entry);
    }
  }
}

TEST(EntryEncoding, DocumentContentOfAnySizeRoundTrips) {
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{256 * 1024 + 7}}) {
    SCOPED_TRACE(size);
    DocumentData document{.filename = "scan.pdf", .mime_type = "application/pdf", .content = Bytes(size), .notes = {}};
    for (std::size_t i = 0; i < size; ++i) document.content[i] = static_cast<std::uint8_t>(i * 31 + 7);
    Entry entry = testing::sample_entry(EntryData{std::move(document)});
    expect_round_trip(entry);
  }
}

void append(Bytes& out, std::initializer_list<std::uint8_t> bytes) { out.insert(out.end(), bytes); }
void append(Bytes& out, std::string_view ascii) { out.insert(out.end(), ascii.begin(), ascii.end()); }

TEST(EntryEncoding, SmallPasswordEntryHasTheExpectedBytes) {
  Entry entry;
  for (std::uint8_t i = 0; i < 16; ++i) entry.id.bytes[i] = i;
  entry.title = "t";
  PasswordData password;
  password.password = "p";
  password.notes = "";
  password.totp_digits = 6;
  password.totp_period = 30;
  entry.data = password;
  entry.tags = {"a"};
  entry.created_at = DateTime{.seconds = 0, .nanos = 0};
  entry.updated_at = DateTime{.seconds = 86400, .nanos = 0};
  entry.is_favorite = true;

  Bytes expected;
  append(expected, {16, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});  // id
  append(expected, {0, 0, 0, 0});                                // entry_type: Password
  append(expected, {1, 0, 0, 0, 0, 0, 0, 0, 't'});               // title
  append(expected, {0, 0, 0, 0});                                // data: variant Password
  append(expected, {0});                                         // username: absent
  append(expected, {1, 0, 0, 0, 0, 0, 0, 0, 'p'});               // password
  append(expected, {0});                                         // url: absent
  append(expected, {1, 0, 0, 0, 0, 0, 0, 0, 0});                 // notes: present, empty
  append(expected, {0, 0});                                      // totp_secret, totp_algorithm: absent
  append(expected, {1, 6});                                      // totp_digits: u8
  append(expected, {1, 30, 0, 0, 0, 0, 0, 0, 0});                // totp_period: u64
  append(expected, {0, 0});                                      // category, subtype: absent
  append(expected, {1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 'a'});  // tags
  append(expected, {20, 0, 0, 0, 0, 0, 0, 0});
  append(expected, "1970-01-01T00:00:00Z");                      // created_at
  append(expected, {20, 0, 0, 0, 0, 0, 0, 0});
  append(expected, "1970-01-02T00:00:00Z");                      // updated_at
  append(expected, {0});                                         // last_accessed: absent
  append(expected, {1});                                         // is_favorite
  append(expected, {0});                                         // folder_id: absent

  EXPECT_EQ(encode_record(entry), expected);
  auto decoded = decode_record<Entry>(expected);
  ASSERT_TRUE(decoded.has_value()) << decoded.error().message;
  EXPECT_EQ(*decoded, entry);
}

// Records with the visitor that notes where each visited member sits.
struct AddressRecorder {
  std::vector<std::uintptr_t> addresses;
  template <class F, class... D>
  void operator()(std::string_view, F& field, const D&...) {
    addresses.push_back(reinterpret_cast<std::uintptr_t>(&field));
  }
};

template <class T>
void expect_fields_visited_in_declared_order(T& record) {
  AddressRecorder recorder;
  visit_fields(recorder, record);
  ASSERT_FALSE(recorder.addresses.empty());
  for (std::size_t i = 1; i < recorder.addresses.size(); ++i) EXPECT_LT(recorder.addresses[i - 1], recorder.addresses[i]) << "field " << i;
}

// The stored order is the field list; it must also be the declared order, so
// that reading the structs matches reading the table of fields.
TEST(EntryEncoding, FieldListsFollowDeclarationOrder) {
  for (Entry& entry : testing::sample_entries_of_every_kind()) {
    SCOPED_TRACE(entry_type_name(entry.entry_type));
    std::visit([](auto& data) { expect_fields_visited_in_declared_order(data); }, entry.data);
  }
  Entry entry;
  expect_fields_visited_in_declared_order(entry);
  EntryLegacy legacy;
  expect_fields_visited_in_declared_order(legacy);
}

TEST(EntryType, StoredNumbersAndDisplayNames) {
  struct Case {
    EntryType type;
    std::uint8_t number;
    std::string_view name;
  };
  for (auto [type, number, name] : {Case{EntryType::Password, 0, "Password"}, Case{EntryType::SSHKey, 1, "SSHKey"},
                                    Case{EntryType::NationalID, 9, "NationalID"}, Case{EntryType::Document, 18, "Document"},
                                    Case{EntryType::WiFi, 19, "WiFi"}}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(encode_record(type), (Bytes{number, 0, 0, 0}));
    EXPECT_EQ(entry_type_name(type), name);
    // The data variant of the same kind carries the same number.
    Bytes data = encode_record(testing::sample_data(type));
    EXPECT_EQ(Bytes(data.begin(), data.begin() + 4), (Bytes{number, 0, 0, 0}));
  }
}

TEST(EntryType, IndexBeyondTheLastKindIsRejected) {
  auto decoded = decode_record<EntryType>(Bytes{20, 0, 0, 0});
  ASSERT_FALSE(decoded.has_value());
  EXPECT_EQ(decoded.error().message, "invalid value: integer `20`, expected variant index 0 <= i < 20");
}

TEST(EntryLegacy, DecodesAndConvertsToAnEntryOutsideAnyFolder) {
  Entry current = testing::sample_entry(EntryType::CreditCard, 5);
  ASSERT_TRUE(current.folder_id.has_value());
  current.is_favorite = true;
  Bytes legacy_bytes = encode_record(legacy_of(current));

  // The current reader runs out of input on an old record; that is the cue
  // for the fallback.
  auto as_current = decode_record<Entry>(legacy_bytes);
  ASSERT_FALSE(as_current.has_value());
  EXPECT_TRUE(as_current.error().end_of_input);

  auto legacy = decode_record<EntryLegacy>(legacy_bytes);
  ASSERT_TRUE(legacy.has_value()) << legacy.error().message;
  Entry converted = to_entry(*legacy);
  Entry expected = current;
  expected.is_favorite = false;
  expected.folder_id.reset();
  EXPECT_EQ(converted, expected);
}

}  // namespace
}  // namespace vantoro
