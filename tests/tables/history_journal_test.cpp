#include "history/history_journal.hpp"

#include <gtest/gtest.h>

#include <unordered_set>
#include <vector>

#include "record_encoding/codec.hpp"
#include "tables_support.hpp"

namespace vantoro::history {
namespace {

using test::id;

EntryVersionRecord version(const Uuid& entry, const Uuid& version_id, EntryOpKind op) {
  EntryVersionRecord record;
  record.meta.entry_id = entry;
  record.meta.version_id = version_id;
  record.meta.op = op;
  record.encrypted_snapshot = {1, 2, 3};
  return record;
}

TEST(HistoryJournal, TombstoneFollowsTheLastDeleteOrRestore) {
  struct Step {
    EntryOpKind op;
    bool tombstoned_after;
  };
  const std::vector<Step> steps = {
      {EntryOpKind::Create, false}, {EntryOpKind::Delete, true},   {EntryOpKind::Update, true},
      {EntryOpKind::Create, true},  {EntryOpKind::Restore, false}, {EntryOpKind::Restore, false},
      {EntryOpKind::Delete, true},
  };
  HistoryJournal journal;
  std::uint8_t next_version = 100;
  for (const Step& step : steps) {
    journal.add_version(version(id(1), id(next_version++), step.op));
    EXPECT_EQ(journal.deleted_tombstones.contains(id(1)), step.tombstoned_after);
  }
}

TEST(HistoryJournal, VersionsListInAddingOrderAndTheLastIsHead) {
  HistoryJournal journal;
  journal.add_version(version(id(1), id(11), EntryOpKind::Create));
  auto second = version(id(1), id(12), EntryOpKind::Update);
  second.meta.parent_version_id = id(11);
  journal.add_version(second);
  journal.add_version(version(id(2), id(21), EntryOpKind::Create));

  EXPECT_EQ(journal.versions_by_entry.at(id(1)), (std::vector<Uuid>{id(11), id(12)}));
  EXPECT_EQ(journal.head_by_entry.at(id(1)), id(12));
  const EntryVersionRecord* head = journal.get_head_version(id(1));
  ASSERT_NE(head, nullptr);
  EXPECT_EQ(*head, second);
  EXPECT_EQ(journal.version_records.size(), 3u);
}

TEST(HistoryJournal, ReAddingAVersionIdReplacesItsRecord) {
  HistoryJournal journal;
  journal.add_version(version(id(1), id(11), EntryOpKind::Create));
  auto replacement = version(id(1), id(11), EntryOpKind::Update);
  replacement.meta.lamport = 9;
  journal.add_version(replacement);
  EXPECT_EQ(journal.version_records.size(), 1u);
  EXPECT_EQ(journal.version_records.at(id(11)), replacement);
  EXPECT_EQ(journal.versions_by_entry.at(id(1)).size(), 2u);
}

TEST(HistoryJournal, HeadIsAbsentWithoutHistoryOrWithoutItsRecord) {
  HistoryJournal journal;
  EXPECT_EQ(journal.get_head_version(id(1)), nullptr);
  journal.add_version(version(id(2), id(21), EntryOpKind::Create));
  journal.head_by_entry[id(1)] = id(99);  // as a decoded journal may hold
  EXPECT_EQ(journal.get_head_version(id(1)), nullptr);
  EXPECT_EQ(journal.get_head_version(id(3)), nullptr);
}

// Entries: 1 live with a Delete head; 2 gone, Delete then Update (head not a
// delete, still tombstoned as decoded journals may be); 3 gone with a Delete
// head; 4 gone, its head without a record; and a record no list refers to.
HistoryJournal journal_for_cleanup() {
  HistoryJournal journal;
  journal.add_version(version(id(1), id(11), EntryOpKind::Create));
  journal.add_version(version(id(1), id(12), EntryOpKind::Delete));
  journal.add_version(version(id(2), id(21), EntryOpKind::Delete));
  journal.add_version(version(id(2), id(22), EntryOpKind::Update));
  journal.add_version(version(id(3), id(31), EntryOpKind::Create));
  journal.add_version(version(id(3), id(32), EntryOpKind::Delete));
  journal.add_version(version(id(4), id(41), EntryOpKind::Create));
  journal.version_records.erase(id(41));
  journal.version_records.emplace(id(50), version(id(5), id(50), EntryOpKind::Create));
  return journal;
}

TEST(HistoryJournal, CleanupDropsGoneEntriesExceptThoseEndingInADelete) {
  HistoryJournal journal = journal_for_cleanup();
  const HistoryJournal before = journal;
  journal.cleanup_deleted_entries({id(1)});

  for (std::uint8_t kept : {1, 3}) {
    EXPECT_EQ(journal.versions_by_entry.at(id(kept)), before.versions_by_entry.at(id(kept)));
    EXPECT_EQ(journal.head_by_entry.at(id(kept)), before.head_by_entry.at(id(kept)));
    EXPECT_TRUE(journal.deleted_tombstones.contains(id(kept)));
  }
  for (std::uint8_t gone : {2, 4}) {
    EXPECT_FALSE(journal.versions_by_entry.contains(id(gone)));
    EXPECT_FALSE(journal.head_by_entry.contains(id(gone)));
    EXPECT_FALSE(journal.deleted_tombstones.contains(id(gone)));
  }
  std::unordered_set<Uuid> records;
  for (const auto& [version_id, record] : journal.version_records) records.insert(version_id);
  EXPECT_EQ(records, (std::unordered_set<Uuid>{id(11), id(12), id(31), id(32), id(50)}));
}

TEST(HistoryJournal, CleanupNeverTouchesLiveEntries) {
  HistoryJournal journal = journal_for_cleanup();
  const HistoryJournal before = journal;
  journal.cleanup_deleted_entries({id(1), id(2), id(3), id(4)});
  EXPECT_EQ(journal, before);
}

TEST(HistoryJournal, EncodingOfEmptyAndFilledJournals) {
  EXPECT_EQ(encoding::encode_record(HistoryJournal{}), encoding::Bytes(32, 0));

  HistoryJournal journal = journal_for_cleanup();
  journal.version_records.at(id(11)).meta.note = "edit";
  journal.version_records.at(id(11)).meta.parent_version_id = id(9);
  journal.version_records.at(id(11)).meta.reserved[31] = 0xAB;  // carried as read
  encoding::Bytes bytes = encoding::encode_record(journal);
  EXPECT_EQ(bytes.size(), encoding::encoded_size(journal));
  auto decoded = encoding::decode_record<HistoryJournal>(bytes);
  ASSERT_TRUE(decoded) << decoded.error().message;
  EXPECT_EQ(*decoded, journal);
}

TEST(HistoryJournal, VersionRecordLayout) {
  EntryVersionRecord record = version(id(1), id(2), EntryOpKind::Restore);
  record.meta.timestamp = *DateTime::parse_rfc3339("2024-03-05T14:07:09.120Z");
  // 24 + 1 + 24 + 4 + 24 + 8 + (8 + 24) + 32 + 1 + 32 + (8 + 3)
  encoding::Bytes bytes = encoding::encode_record(record);
  ASSERT_EQ(bytes.size(), 193u);
  EXPECT_EQ(bytes[24], 0);                                // no parent
  EXPECT_EQ(bytes[49], 3);                                // op: Restore
  EXPECT_EQ(bytes[24 + 1 + 24 + 4 + 24 + 8 + 32 + 32], 0);  // no note
}

}  // namespace
}  // namespace vantoro::history
