#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "crypto/checksum.hpp"
#include "format/preamble.hpp"
#include "format/vault_replacement.hpp"
#include "support/sample_entries.hpp"
#include "vault_test.hpp"

namespace vantoro::testing {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// The regions of a saved file, found by walking its length prefixes.
struct SavedLayout {
  std::uint64_t header_start = 0;  // the header's length prefix
  std::uint64_t index_end = 0;
  std::uint64_t blocks_start = 0;
  std::vector<std::uint64_t> block_sizes;
  std::uint64_t end = 0;
};

std::uint64_t u64_at(const Bytes& file, std::uint64_t at) {
  std::uint64_t value = 0;
  std::memcpy(&value, file.data() + at, 8);
  return value;
}

SavedLayout layout_of(const Bytes& file, const format::SecureHeader& header, std::uint64_t entry_bytes) {
  SavedLayout layout;
  layout.header_start = format::preamble_size(header);
  std::uint64_t at = layout.header_start;
  at += 8 + u64_at(file, at);
  at += 8 + u64_at(file, at);
  layout.index_end = at;
  layout.blocks_start = at + entry_bytes;
  at = layout.blocks_start;
  for (std::size_t i = 0; i < format::side_block_count && at + 8 <= file.size(); ++i) {
    layout.block_sizes.push_back(u64_at(file, at));
    at += 8 + layout.block_sizes.back();
  }
  layout.end = at;
  return layout;
}

Bytes slice(const Bytes& file, std::uint64_t from, std::uint64_t to) {
  return {file.begin() + static_cast<std::ptrdiff_t>(from), file.begin() + static_cast<std::ptrdiff_t>(to)};
}

std::uint64_t entry_bytes(const format::SecureVaultFormat& vault) {
  std::uint64_t total = 0;
  for (const auto& row : vault.index().all_entries()) total += row.length;
  return total;
}

VaultBuilder mixed_vault() {
  VaultBuilder builder(vault_password);
  builder.add(sample_entry(EntryType::Password, 1)).add(sample_entry(EntryType::Document, 2));
  builder.add(sample_entry(EntryType::Note, 3)).add(sample_entry(EntryType::NationalID, 4));
  builder.add(BuilderEntry{.entry = sample_entry(EntryType::WiFi, 5), .compress = true});
  builder.add(BuilderEntry{.entry = sample_entry(EntryType::Note, 6), .is_deleted = true});
  return builder;
}

// Leaves a write-ahead log beside the vault.
Result<void> log_a_deletion(const format::SecureVaultFormat& vault) {
  const format::WalOperation deletion{.operation_type = format::WalOperationType::Delete,
                                      .entry_id = Uuid{},
                                      .old_ref = 1,
                                      .new_ref = std::nullopt,
                                      .timestamp = DateTime::now(),
                                      .committed = false};
  return vault.wal_service()->write_operation(deletion, vault.keys().master_key()->get(), vault.header().file_uuid);
}

class SaveTest : public VaultTest {};

TEST_F(SaveTest, WritesTheLayoutAndReopensWithTheSameContent) {
  auto vault = open_built(mixed_vault());
  // Payloads as stored; the Document is read from the file only by the save.
  std::map<Uuid, Bytes> payloads;
  for (const auto& row : vault->index().all_entries()) payloads[row.entry_id] = *format::read_entry_data(path_, row);
  const auto entries = vault->list_entries_unmasked();
  ASSERT_TRUE(log_a_deletion(*vault));

  ASSERT_TRUE(vault->save_vault_impl(true));

  EXPECT_EQ(file_names(dir_), std::vector<std::string>{"v.qolty"});  // log cleared, nothing left over
  const Bytes file = read_bytes(path_);
  const auto& header = vault->header();
  const SavedLayout layout = layout_of(file, header, entry_bytes(*vault));
  EXPECT_EQ(slice(file, 0, layout.header_start), *format::encode_preamble(header));
  EXPECT_EQ(layout.end, file.size());
  ASSERT_EQ(layout.block_sizes.size(), format::side_block_count);
  EXPECT_TRUE(std::ranges::none_of(layout.block_sizes, [](auto size) { return size == 0; }));
  EXPECT_EQ(layout.block_sizes,
            (std::vector<std::uint64_t>{header.journal_size, header.shares_size, header.stats_size, header.folders_size,
                                        header.backup_settings_size, header.sync_settings_size}));
  for (const auto& row : vault->index().all_entries()) {
    EXPECT_EQ(slice(file, row.offset, row.offset + row.length), payloads.at(row.entry_id)) << row.entry_id.to_string();
  }

  auto reopened = open_file();
  EXPECT_EQ(reopened->header(), header);
  EXPECT_EQ(reopened->index().entries(), vault->index().entries());
  EXPECT_EQ(reopened->list_entries_unmasked(), entries);
  EXPECT_EQ(reopened->tables().journal, vault->tables().journal);
}

TEST_F(SaveTest, AbsentTablesAreZeroLengthsAndALogThatWillNotGoIsNoFailure) {
  auto vault = open_built(VaultBuilder(vault_password));
  vault->tables() = format::SideTables{};
  std::filesystem::create_directory(vault->wal_service()->wal_path());  // cannot be unlinked as a file

  ASSERT_TRUE(vault->save_vault_impl(true));
  const Bytes file = read_bytes(path_);
  const SavedLayout layout = layout_of(file, vault->header(), 0);
  EXPECT_EQ(layout.block_sizes, std::vector<std::uint64_t>(format::side_block_count, 0));
  EXPECT_EQ(layout.end, file.size());
  EXPECT_EQ(vault->header().backup_settings_size, 0u);
  EXPECT_EQ(vault->header().sync_settings_size, 0u);
}

TEST_F(SaveTest, SavingTwiceSealsAfreshAndCopiesPayloads) {
  auto vault = open_built(mixed_vault());
  ASSERT_TRUE(vault->save_vault_impl(true));
  const Bytes first = read_bytes(path_);
  ASSERT_TRUE(vault->save_vault_impl(true));
  const Bytes second = read_bytes(path_);

  ASSERT_EQ(first.size(), second.size());
  const SavedLayout layout = layout_of(second, vault->header(), entry_bytes(*vault));
  EXPECT_EQ(slice(first, layout.index_end, layout.blocks_start), slice(second, layout.index_end, layout.blocks_start));
  EXPECT_NE(slice(first, layout.header_start, layout.index_end), slice(second, layout.header_start, layout.index_end));
  EXPECT_NE(slice(first, layout.blocks_start, layout.end), slice(second, layout.blocks_start, layout.end));
}

TEST_F(SaveTest, TakesRecoveryMaterialFromThePreambleIntoBoth) {
  VaultBuilder builder(vault_password);
  builder.header().recovery_salt.emplace().fill(0x5a);
  builder.header().master_key_wrapped_with_recovery = Bytes(40, 0x77);
  auto vault = open_built(builder);
  auto& header = vault->header();
  header.recovery_salt.reset();
  header.master_key_wrapped_with_recovery.reset();
  header.recovery_enabled = false;

  ASSERT_TRUE(vault->save_vault_impl(true));
  EXPECT_EQ(header.recovery_salt, builder.header().recovery_salt);
  EXPECT_EQ(header.master_key_wrapped_with_recovery, builder.header().master_key_wrapped_with_recovery);
  EXPECT_TRUE(header.recovery_enabled);
  const Bytes preamble = *format::encode_preamble(header);
  EXPECT_EQ(slice(read_bytes(path_), 0, preamble.size()), preamble);
}

TEST_F(SaveTest, KeepsTheModeAndTheSymbolicLink) {
  auto vault = open_built(mixed_vault());
  fs::rename(path_, dir_ / "real.qolty");
  fs::create_symlink("real.qolty", path_);
  ASSERT_EQ(::chmod((dir_ / "real.qolty").c_str(), 0666), 0);  // wider than the umask lets a new file be
  const Bytes before = read_bytes(path_);

  ASSERT_TRUE(vault->save_vault_impl(true));
  EXPECT_TRUE(fs::is_symlink(path_));
  EXPECT_NE(read_bytes(path_), before);
  struct stat info {};
  ASSERT_EQ(::stat(path_.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0666u);
  EXPECT_EQ(file_names(dir_), (std::vector<std::string>{"real.qolty", "v.qolty"}));
}

TEST_F(SaveTest, HeaderOfAnotherVersionStillGivesAVaultThatOpens) {
  auto vault = open_built(mixed_vault());
  vault->header().format_version = 3;
  ASSERT_TRUE(vault->save_vault_impl(true));

  const Bytes file = read_bytes(path_);
  EXPECT_EQ(file[4], format::vault_format_version);
  EXPECT_EQ(file[5], 0);
  // Below format 4 there are no side blocks: the file ends with the entries.
  EXPECT_TRUE(layout_of(file, vault->header(), entry_bytes(*vault)).block_sizes.empty());
  auto reopened = open_file();
  EXPECT_EQ(reopened->header().format_version, 3);
  EXPECT_EQ(reopened->index().entries(), vault->index().entries());
}

// Fails the one step it is told to, with an I/O error.
enum class Step { Create, Write, Truncate, Sync, Rename, SyncDirectory };

class FailingSteps : public format::SaveSteps {
 public:
  explicit FailingSteps(Step step) : step_(step) {}

  Result<format::PosixFile> create(const fs::path& path, const fs::path& model) const override {
    auto file = SaveSteps::create(path, model);  // made, then reported as failed
    if (step_ == Step::Create) return failure();
    return file;
  }
  Result<void> write(format::PosixFile& file, std::uint64_t offset,
                     std::span<const std::uint8_t> bytes) const override {
    return step_ == Step::Write ? failure() : SaveSteps::write(file, offset, bytes);
  }
  Result<void> truncate(format::PosixFile& file, std::uint64_t length) const override {
    return step_ == Step::Truncate ? failure() : SaveSteps::truncate(file, length);
  }
  Result<void> sync(format::PosixFile& file) const override {
    return step_ == Step::Sync ? failure() : SaveSteps::sync(file);
  }
  Result<void> rename(const fs::path& from, const fs::path& to) const override {
    return step_ == Step::Rename ? failure() : SaveSteps::rename(from, to);
  }
  Result<void> sync_directory(const fs::path& directory) const override {
    return step_ == Step::SyncDirectory ? failure() : SaveSteps::sync_directory(directory);
  }

 private:
  static std::unexpected<AppError> failure() { return fail(StorageError::WriteError, "Input/output error"); }

  Step step_;
};

TEST_F(SaveTest, AFailedStepLeavesTheOldVaultAndNoTemporaryFile) {
  auto vault = open_built(mixed_vault());
  const Bytes old_file = read_bytes(path_);
  const fs::path wal = vault->wal_service()->wal_path();
  ASSERT_TRUE(log_a_deletion(*vault));
  const Bytes old_wal = read_bytes(wal);

  // Once renamed, the new vault is in place; a failed directory sync is
  // still reported, and the log kept, as the rename may not last.
  auto renamed = vault->save_vault_impl(true, FailingSteps(Step::SyncDirectory));
  EXPECT_EQ(renamed.error(), AppError(StorageError::WriteError, "Input/output error"));
  const std::string length = std::to_string(read_bytes(path_).size());
  EXPECT_NE(read_bytes(path_), old_file);
  EXPECT_EQ(read_bytes(wal), old_wal);
  write_bytes(path_, old_file);

  const struct {
    Step step;
    std::string text;
  } cases[] = {
      {Step::Create, "Input/output error"},
      {Step::Write, "Input/output error"},
      {Step::Truncate, "Could not truncate file at position " + length + ": Input/output error"},
      {Step::Sync, "Could not sync file (final position: " + length + "): Input/output error"},
      {Step::Rename, "Input/output error"},
  };
  for (const auto& [step, text] : cases) {
    auto saved = vault->save_vault_impl(true, FailingSteps(step));
    ASSERT_FALSE(saved) << text;
    EXPECT_EQ(saved.error(), AppError(StorageError::WriteError, text));
    EXPECT_EQ(read_bytes(path_), old_file) << text;
    EXPECT_EQ(read_bytes(wal), old_wal) << text;
    EXPECT_EQ(file_names(dir_), (std::vector<std::string>{"v.qolty", "v.qolty.wal"})) << text;
  }
}

}  // namespace
}  // namespace vantoro::testing
