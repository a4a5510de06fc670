// Entry records on real vault files: the decoding fallbacks, the failures of
// one entry that leave the others listed, and what the entry cache holds.
#include <gtest/gtest.h>

#include <filesystem>

#include "crypto/random.hpp"
#include "format/format_manager.hpp"
#include "record_encoding/codec.hpp"
#include "support/sample_entries.hpp"
#include "support/vault_builder.hpp"

namespace vantoro::format {
namespace {

namespace fs = std::filesystem;
using testing::BuilderEntry;

constexpr std::string_view password = "pa55word!";

class EntryRecords : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { builder_ = new testing::VaultBuilder(password); }  // one Argon2id run
  static void TearDownTestSuite() { delete builder_; }

  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("entry-records-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Writes a vault holding `entries` and opens it.
  FormatManager& open(std::vector<BuilderEntry> entries) {
    builder_->clear_entries();
    for (auto& entry : entries) builder_->add(std::move(entry));
    builder_->write(dir_ / "v.qolty");
    manager_.emplace(crypto::random_uuid());
    auto opened = manager_->open_vault(dir_ / "v.qolty", password);
    EXPECT_TRUE(opened) << opened.error().display();
    return *manager_;
  }

  static testing::VaultBuilder* builder_;
  fs::path dir_;
  std::optional<FormatManager> manager_;
};

testing::VaultBuilder* EntryRecords::builder_ = nullptr;

Entry sample(EntryType kind, std::uint32_t seed) { return testing::sample_entry(kind, seed); }

TEST_F(EntryRecords, EveryPayloadFormDecodesAndBadOnesAreLeftOutOfTheListing) {
  const Entry record = sample(EntryType::Password, 1);
  Entry legacy = sample(EntryType::Note, 2);
  legacy.is_favorite = false;
  legacy.folder_id.reset();
  const Entry compressed = sample(EntryType::WiFi, 3);
  const Entry garbage = sample(EntryType::Passport, 4);
  const Entry empty = sample(EntryType::Profile, 5);
  encoding::Bytes bad_kind = encoding::encode_record(garbage);
  bad_kind[24] = 99;  // entry_type, right after the 24-byte id
  auto& manager = open({
      {.entry = record},
      {.entry = legacy, .plaintext = testing::legacy_payload(legacy)},
      {.entry = compressed, .compress = true},
      {.entry = garbage, .plaintext = bad_kind},
      {.entry = empty, .plaintext = encoding::Bytes{}},
  });

  auto listed = manager.list_entries_unmasked();
  ASSERT_TRUE(listed);
  std::vector<Uuid> ids;
  for (const auto& entry : *listed) ids.push_back(entry.id);
  EXPECT_EQ(ids, (std::vector<Uuid>{record.id, legacy.id, compressed.id}));
  EXPECT_EQ((*listed)[1], legacy);

  auto& vault = manager.vault();
  EXPECT_TRUE(vault.get_entry(garbage.id).error().text().starts_with("Bincode and JSON deserialize failed: bincode="));
  EXPECT_EQ(vault.get_entry(empty.id).error().text(), "Empty payload after decrypt");
}

TEST_F(EntryRecords, FailuresOfOneEntry) {
  const Entry past_end = sample(EntryType::Document, 1);
  const Entry other_key = sample(EntryType::Password, 2);
  auto& manager = open({
      {.entry = other_key, .sealed_under = past_end.id},
      {.entry = past_end, .offset = 1u << 20, .write_payload = false},
  });
  auto& vault = manager.vault();
  EXPECT_TRUE(vault.get_entry(other_key.id).error().is(CryptoError::DecryptionError));
  EXPECT_TRUE(manager.get_entry(other_key.id).error().is(CryptoError::DecryptionError));
  // A Document's record is read at every access, so one past the end only
  // fails when asked for; the format manager maps that to "not available",
  // as it does for an id the index lacks.
  EXPECT_EQ(vault.get_entry(past_end.id).error().text().substr(0, 50), "Requested data exceeds file size: offset=1048576, ");
  EXPECT_FALSE(manager.get_entry(past_end.id).value().has_value());
  EXPECT_FALSE(manager.get_entry(Uuid{}).value().has_value());
}

TEST_F(EntryRecords, DocumentsAreNeverCachedAndDeletedRowsAreNotListed) {
  const Entry document = sample(EntryType::Document, 1);
  const Entry trashed = sample(EntryType::Password, 2);
  auto& manager = open({{.entry = document}, {.entry = trashed, .is_deleted = true}});
  auto& vault = manager.vault();
  EXPECT_FALSE(vault.entry_cache().contains(document.id));
  EXPECT_TRUE(vault.entry_cache().contains(trashed.id));
  EXPECT_EQ(vault.get_entry(document.id).value(), document);
  EXPECT_FALSE(vault.entry_cache().contains(document.id));
  EXPECT_EQ(vault.get_entry(trashed.id).value(), trashed);
  EXPECT_EQ(manager.list_entries_unmasked().value(), std::vector<Entry>{document});
  EXPECT_EQ(manager.create_vault_info_from_secure_format(dir_ / "v.qolty").entry_count, 1u);

  manager.clear_cache();
  EXPECT_TRUE(manager.list_entries_unmasked().value().empty());
  EXPECT_TRUE(vault.keys().has_master_key());
}

}  // namespace
}  // namespace vantoro::format
