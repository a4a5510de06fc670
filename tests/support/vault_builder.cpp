#include "support/vault_builder.hpp"

#include <algorithm>
#include <fstream>
#include <stdexcept>

#include "crypto/checksum.hpp"
#include "crypto/random.hpp"
#include "crypto/seal.hpp"
#include "format/preamble.hpp"
#include "mvc/strategies/lz4_strategy.hpp"
#include "record_encoding/codec.hpp"

namespace vantoro::testing {
namespace {

using encoding::Bytes;

template <class T>
T value_or_throw(Result<T> result) {
  if (!result) throw std::runtime_error("vault builder: " + result.error().display());
  return std::move(*result);
}

void check(const Result<void>& result) {
  if (!result) throw std::runtime_error("vault builder: " + result.error().display());
}

void append_u64(Bytes& out, std::uint64_t value) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
  out.insert(out.end(), bytes, bytes + 8);
}

void append_block(Bytes& out, const std::optional<Bytes>& blob) {
  append_u64(out, blob ? blob->size() : 0);
  if (blob) out.insert(out.end(), blob->begin(), blob->end());
}

// The six side blocks in file order, sealed; absent tables stay empty.
std::vector<std::optional<Bytes>> seal_tables(const format::SideTables& t, const crypto::Key& key, const Uuid& id) {
  auto seal = [&](const auto& table, auto encrypt) -> std::optional<Bytes> {
    if (!table) return std::nullopt;
    return value_or_throw(encrypt(key, id, *table));
  };
  return {seal(t.journal, history::encrypt_journal_block),
          seal(t.shares, share::encrypt_shares_block),
          seal(t.stats, stats::encrypt_stats_block),
          seal(t.folders, folders::encrypt_folders_block),
          seal(t.backup_settings, mvc::encrypt_backup_settings_block),
          seal(t.sync_settings, mvc::encrypt_sync_settings_block)};
}

format::IndexEntry row_for(const BuilderEntry& item, std::uint64_t offset, const Bytes& sealed) {
  const Entry& e = item.entry;
  format::IndexEntry row;
  row.entry_id = e.id;
  row.entry_type = e.entry_type;
  row.title = e.title;
  row.created_at = e.created_at;
  row.updated_at = e.updated_at;
  row.last_accessed = e.last_accessed;
  row.offset = offset;
  row.length = static_cast<std::uint32_t>(sealed.size());
  row.checksum = crypto::calculate_checksum(sealed);
  row.compressed = item.compress;
  row.tags = e.tags;
  row.is_deleted = item.is_deleted;
  row.deleted_at = item.deleted_at;
  return row;
}

}  // namespace

Bytes legacy_payload(const Entry& entry) {
  EntryLegacy legacy{entry.id,   entry.entry_type, entry.title,      entry.data,       entry.category,
                     entry.subtype, entry.tags,    entry.created_at, entry.updated_at, entry.last_accessed};
  return encoding::encode_record(legacy);
}

Bytes text_payload(std::string_view text) { return Bytes(text.begin(), text.end()); }

VaultBuilder::VaultBuilder(std::string_view password)
    : header_(format::SecureHeader::new_v4(crypto::random_uuid())), tables_(format::SideTables::defaults()) {
  auto passphrase = std::span(reinterpret_cast<const std::uint8_t*>(password.data()), password.size());
  check(keys_.derive_master_key(passphrase, header_.salt));
}

VaultBuilder& VaultBuilder::add(BuilderEntry entry) {
  entries_.push_back(std::move(entry));
  return *this;
}

Bytes VaultBuilder::seal_payload(const BuilderEntry& item) const {
  if (item.sealed) return *item.sealed;
  Bytes plain = item.plaintext ? *item.plaintext : encoding::encode_record(item.entry);
  if (item.compress) {
    auto frame = mvc::Lz4Strategy{}.compress(plain);
    plain.assign(frame.span().begin(), frame.span().end());
  }
  auto key = crypto::derive_entry_key(master_key(), item.sealed_under.value_or(item.entry.id));
  return value_or_throw(crypto::seal_blob(key, plain));
}

Bytes VaultBuilder::build() const {
  format::SecureHeader header = header_;
  header.entry_count = static_cast<std::uint32_t>(
      std::count_if(entries_.begin(), entries_.end(), [](const auto& e) { return !e.is_deleted; }));
  const Bytes sealed_header = value_or_throw(format::encrypt_header(header, keys_));

  std::vector<Bytes> payloads;
  for (const auto& item : entries_) payloads.push_back(seal_payload(item));

  // The sealed index's size does not depend on the offsets (fixed-width), so
  // lay out with placeholder offsets first, then with the real ones.
  auto make_index = [&](std::uint64_t first_offset) {
    format::BTreeIndex index;
    std::uint64_t next = first_offset;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      const std::uint64_t offset = entries_[i].offset.value_or(next);
      check(index.add_entry(row_for(entries_[i], offset, payloads[i])));
      next = std::max(next, offset + payloads[i].size());
    }
    return index;
  };
  const std::uint64_t sealed_index_size = make_index(1u << 30).serialize().size() + crypto::min_blob_length;
  const std::uint64_t index_end = format::index_end(header, sealed_header.size(), sealed_index_size);
  const format::BTreeIndex index = make_index(index_end);
  auto index_key = crypto::derive_index_key(master_key(), header.file_uuid);
  const Bytes sealed_index = value_or_throw(crypto::seal_blob(index_key, index.serialize()));

  Bytes file = value_or_throw(format::encode_preamble(header));
  append_block(file, sealed_header);
  append_block(file, sealed_index);
  std::uint64_t blocks_start = file.size();
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    // A row whose payload is left out points past the end of the file: the
    // side blocks follow the payloads that are really there.
    if (!entries_[i].write_payload) continue;
    const auto& row = *index.find(entries_[i].entry.id);
    blocks_start = std::max(blocks_start, row.offset + row.length);
    if (file.size() < row.offset + row.length) file.resize(row.offset + row.length);
    std::copy(payloads[i].begin(), payloads[i].end(), file.begin() + static_cast<std::ptrdiff_t>(row.offset));
  }
  file.resize(std::max<std::uint64_t>(file.size(), blocks_start));
  if (header.format_version >= 4) {
    file.resize(blocks_start);
    for (const auto& blob : seal_tables(tables_, master_key(), header.file_uuid)) append_block(file, blob);
  }
  return file;
}

void VaultBuilder::write(const std::filesystem::path& path) const {
  const Bytes bytes = build();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("vault builder: cannot write " + path.string());
}

}  // namespace vantoro::testing
