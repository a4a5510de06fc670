#include "history/history_journal.hpp"

#include <utility>

#include "crypto/keys.hpp"
#include "history/side_block.hpp"

namespace vantoro::history {

void HistoryJournal::add_version(EntryVersionRecord record) {
  const Uuid entry_id = record.meta.entry_id;
  const Uuid version_id = record.meta.version_id;
  const EntryOpKind op = record.meta.op;
  versions_by_entry[entry_id].push_back(version_id);
  version_records.insert_or_assign(version_id, std::move(record));
  head_by_entry.insert_or_assign(entry_id, version_id);
  if (op == EntryOpKind::Restore) deleted_tombstones.erase(entry_id);
  if (op == EntryOpKind::Delete) deleted_tombstones.insert(entry_id);
}

const EntryVersionRecord* HistoryJournal::get_head_version(const Uuid& entry_id) const {
  auto head = head_by_entry.find(entry_id);
  if (head == head_by_entry.end()) return nullptr;
  auto record = version_records.find(head->second);
  return record == version_records.end() ? nullptr : &record->second;
}

void HistoryJournal::cleanup_deleted_entries(const std::unordered_set<Uuid>& live_entry_ids) {
  std::vector<Uuid> gone;
  for (const auto& [entry_id, versions] : versions_by_entry) {
    if (!live_entry_ids.contains(entry_id)) gone.push_back(entry_id);
  }
  for (const Uuid& entry_id : gone) {
    // A history ending in a delete is what a purged entry leaves behind for
    // synchronisation, so it stays.
    const EntryVersionRecord* head = get_head_version(entry_id);
    if (head != nullptr && head->meta.op == EntryOpKind::Delete) continue;
    auto versions = versions_by_entry.extract(entry_id);
    for (const Uuid& version_id : versions.mapped()) version_records.erase(version_id);
    head_by_entry.erase(entry_id);
    deleted_tombstones.erase(entry_id);
  }
}

Result<crypto::Bytes> encrypt_journal_block(const crypto::Key& master_key, const Uuid& file_uuid,
                                            const HistoryJournal& journal) {
  return seal_side_block(crypto::derive_journal_key(master_key, file_uuid), journal);
}

Result<HistoryJournal> decrypt_journal_block(const crypto::Key& master_key, const Uuid& file_uuid,
                                             std::span<const std::uint8_t> block) {
  return open_side_block<HistoryJournal>(crypto::derive_journal_key(master_key, file_uuid), block,
                                         "Journal block too short");
}

}  // namespace vantoro::history
