#include <gtest/gtest.h>

#include "crypto/checksum.hpp"
#include "crypto/keys.hpp"
#include "crypto/seal.hpp"
#include "support/sample_entries.hpp"
#include "vault_test.hpp"

namespace vantoro::testing {
namespace {

using history::EntryOpKind;

const Uuid device{.bytes = {0xde, 0x71, 0xce}};

class VersionTest : public VaultTest {
 protected:
  // A vault whose SyncMeta counter stands at 41, holding `entries`.
  std::unique_ptr<format::SecureVaultFormat> open_with(const std::vector<Entry>& entries) {
    VaultBuilder builder(vault_password);
    builder.header().sync_meta->lamport = 41;
    for (const auto& entry : entries) builder.add(entry);
    return open_built(builder);
  }

  // Replaces a stored snapshot with `plaintext` sealed under the version's key.
  static void reseal_snapshot(format::SecureVaultFormat& vault, const Uuid& entry_id, const Uuid& version_id,
                              std::span<const std::uint8_t> plaintext) {
    const auto key = crypto::derive_entry_version_key(vault.keys().master_key()->get(), entry_id, version_id);
    vault.tables().journal->version_records.at(version_id).encrypted_snapshot = *crypto::seal_blob(key, plaintext);
  }
};

TEST_F(VersionTest, CommitsChainTheirParentsCountersAndIndexRow) {
  const Entry note = sample_entry(EntryType::Note, 1);
  auto vault = open_with({note});
  const auto row_before = *vault->index().find(note.id);

  auto first = vault->commit_version(note, EntryOpKind::Create, device, "made");
  ASSERT_TRUE(first) << first.error().display();
  auto second = vault->commit_version(note, EntryOpKind::Update, device, std::nullopt);
  ASSERT_TRUE(second);

  const auto& journal = *vault->tables().journal;
  const auto& meta = journal.version_records.at(*second).meta;
  EXPECT_EQ(journal.version_records.at(*first).meta.parent_version_id, std::nullopt);
  EXPECT_EQ(journal.version_records.at(*first).meta.lamport, 42u);
  EXPECT_EQ(journal.version_records.at(*first).meta.note, "made");
  EXPECT_EQ(meta.parent_version_id, *first);
  EXPECT_EQ(meta.lamport, 43u);
  EXPECT_EQ(meta.device_id, device);
  EXPECT_EQ(meta.op, EntryOpKind::Update);
  EXPECT_EQ(meta.content_hash, crypto::calculate_checksum(encoding::encode_record(note)));
  EXPECT_EQ(meta.reserved, (std::array<std::uint8_t, 32>{}));
  EXPECT_EQ(vault->header().sync_meta->lamport, 43u);
  EXPECT_EQ(journal.head_by_entry.at(note.id), *second);

  const auto& row = *vault->index().find(note.id);
  EXPECT_EQ(row.head_version_id, *second);
  EXPECT_EQ(row.version_count, row_before.version_count + 2);
  EXPECT_FALSE(row.is_deleted);
  EXPECT_EQ(vault->get_version_snapshot(note.id, *first), note);
}

TEST_F(VersionTest, DeleteAndRestoreMoveTheEntryInAndOutOfTheTrash) {
  const Entry note = sample_entry(EntryType::Note, 1);
  auto vault = open_with({note});
  const DateTime start = DateTime::now();

  ASSERT_TRUE(vault->commit_version(note, EntryOpKind::Delete, device, std::nullopt));
  const auto* row = vault->index().find(note.id);
  EXPECT_TRUE(row->is_deleted);
  ASSERT_TRUE(row->deleted_at);
  EXPECT_GE(*row->deleted_at, start);
  EXPECT_TRUE(vault->tables().journal->deleted_tombstones.contains(note.id));
  EXPECT_EQ(vault->index().checksum(), vault->index().calculate_checksum());

  ASSERT_TRUE(vault->commit_version(note, EntryOpKind::Restore, device, std::nullopt));
  row = vault->index().find(note.id);
  EXPECT_FALSE(row->is_deleted);
  EXPECT_EQ(row->deleted_at, std::nullopt);
  EXPECT_FALSE(vault->tables().journal->deleted_tombstones.contains(note.id));
}

TEST_F(VersionTest, DocumentSnapshotsLeaveTheContentOut) {
  const Entry document = sample_entry(EntryType::Document, 2);
  auto vault = open_with({document});
  auto version = vault->commit_version(document, EntryOpKind::Update, device, std::nullopt);
  ASSERT_TRUE(version);

  Entry stripped = document;
  std::get<DocumentData>(stripped.data).content.clear();
  EXPECT_EQ(vault->get_version_snapshot(document.id, *version), stripped);
  EXPECT_EQ(vault->tables().journal->version_records.at(*version).meta.content_hash,
            crypto::calculate_checksum(encoding::encode_record(stripped)));
  EXPECT_EQ(vault->get_entry(document.id), document);
}

TEST_F(VersionTest, WithoutSyncMetaOrRowOnlyTheJournalChanges) {
  const Entry stranger = sample_entry(EntryType::Note, 7);  // in no index row
  auto vault = open_with({});
  vault->header().sync_meta.reset();
  const auto rows = vault->index().entries();

  for (int i = 0; i < 2; ++i) {
    auto version = vault->commit_version(stranger, EntryOpKind::Update, device, std::nullopt);
    ASSERT_TRUE(version);
    EXPECT_EQ(vault->tables().journal->version_records.at(*version).meta.lamport, 1u);
  }
  EXPECT_FALSE(vault->header().sync_meta);
  EXPECT_EQ(vault->index().entries(), rows);
}

TEST_F(VersionTest, WithoutAJournalBothFailAndTheCounterStillMoves) {
  const Entry note = sample_entry(EntryType::Note, 1);
  auto vault = open_with({note});
  vault->tables().journal.reset();

  auto committed = vault->commit_version(note, EntryOpKind::Update, device, std::nullopt);
  EXPECT_EQ(committed.error().display(),
            "Service error: Not implemented: History journal not available (pre-v4 vault?)");
  EXPECT_EQ(vault->header().sync_meta->lamport, 42u);
  EXPECT_EQ(vault->index().find(note.id)->version_count, 0u);
  EXPECT_EQ(vault->get_version_snapshot(note.id, Uuid{}).error().display(),
            "Service error: Not implemented: History journal not available");
}

TEST_F(VersionTest, SnapshotReadingFailures) {
  const Entry note = sample_entry(EntryType::Note, 1);
  const Entry other = sample_entry(EntryType::Note, 2);
  auto vault = open_with({note, other});
  const Uuid version = *vault->commit_version(note, EntryOpKind::Update, device, std::nullopt);
  const Uuid unknown{.bytes = {0xab}};

  EXPECT_EQ(vault->get_version_snapshot(note.id, unknown).error().display(),
            "Service error: Entry not found: Version " + unknown.to_string() + " not found");
  EXPECT_TRUE(vault->get_version_snapshot(other.id, version).error().is(CryptoError::DecryptionError));

  const std::string json = R"({"id": ")" + note.id.to_string() +
                           R"(", "entry_type": "Note", "title": "from json", "created_at": "2024-03-05T14:07:09Z",
                              "updated_at": "2024-03-05T14:07:09Z", "data": {"Note": {"content": "hi"}}})";
  reseal_snapshot(*vault, note.id, version, text_payload(json));
  auto from_json = vault->get_version_snapshot(note.id, version);
  ASSERT_TRUE(from_json) << from_json.error().display();
  EXPECT_EQ(from_json->title, "from json");

  reseal_snapshot(*vault, note.id, version, text_payload("{not an entry"));
  const auto garbage = vault->get_version_snapshot(note.id, version).error().display();
  EXPECT_TRUE(garbage.starts_with("Format error: Deserialization error: Bincode/JSON snapshot deserialize failed: "))
      << garbage;

  vault->tables().journal->version_records.at(version).encrypted_snapshot.resize(11);
  EXPECT_EQ(vault->get_version_snapshot(note.id, version).error().display(),
            "Format error: Deserialization error: Encrypted snapshot too short");
}

}  // namespace
}  // namespace vantoro::testing
