// A save killed at any moment, or stopped by a full disk, leaves either the
// old vault or the new one, and nothing else but at most its temporary file.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <map>
#include <thread>

#include "crypto/checksum.hpp"
#include "crypto/seal.hpp"
#include "format/vault_file.hpp"
#include "format/vault_replacement.hpp"
#include "support/sample_entries.hpp"
#include "vault_test.hpp"

namespace vantoro::testing {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t entry_count = 400;
constexpr std::size_t note_size = 16 * 1024;  // about 6.5 MB of payloads in all
constexpr std::uint64_t lamport_step = 1000;  // what the save under test adds

enum class State { Old, New, Broken };

// Runs `body` in a child process; its return value is the exit status.
template <class Body>
pid_t spawn(Body body) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  return pid;
}

int wait_for(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return status;
}

class CrashSafetyTest : public VaultTest {
 protected:
  void SetUp() override {
    VaultTest::SetUp();
    VaultBuilder builder(vault_password);
    for (std::uint32_t i = 0; i < entry_count; ++i) {
      Entry entry = sample_entry(EntryType::Note, i);
      std::get<NoteData>(entry.data).content.assign(note_size, static_cast<char>('a' + i % 26));
      builder.add(entry);
    }
    vault_ = open_built(builder);
    old_file_ = read_bytes(path_);
    old_lamport_ = vault_->header().sync_meta->lamport;
    for (const auto& row : vault_->index().all_entries()) checksums_[row.entry_id] = row.checksum;
    // The new content differs from the old in its header.
    vault_->header().sync_meta->lamport = old_lamport_ + lamport_step;
  }

  int save_and_exit() { return vault_->save_vault_impl(true) ? 0 : 1; }

  // What the file holds, checked with the key already held: the header, the
  // index and every payload must open, and the six side blocks be there.
  State state_of_vault() const {
    if (read_bytes(path_) == old_file_) return State::Old;
    const auto& keys = vault_->keys();
    auto file_uuid = format::read_file_uuid_from_file(path_);
    auto sealed_header = format::read_secure_file(path_);
    auto sealed_index = format::read_index_from_file(path_);
    if (!format::verify_file_integrity(path_) || !file_uuid || !sealed_header || !sealed_index) return State::Broken;
    auto header = format::decrypt_header(*sealed_header, *file_uuid, keys);
    if (!header || header->sync_meta->lamport != old_lamport_ + lamport_step) return State::Broken;
    auto index_plain = crypto::open_blob(*keys.derive_index_key(*file_uuid), *sealed_index);
    if (!index_plain) return State::Broken;
    auto index = format::BTreeIndex::deserialize(index_plain->span());
    if (!index || index->size() != checksums_.size()) return State::Broken;
    std::uint64_t end = 0;
    for (const auto& row : index->all_entries()) {
      auto payload = format::read_entry_data(path_, row);
      if (!payload || crypto::calculate_checksum(*payload) != checksums_.at(row.entry_id)) return State::Broken;
      end = std::max(end, row.offset + row.length);
    }
    return side_blocks_end(end) == std::filesystem::file_size(path_) ? State::New : State::Broken;
  }

  // Where the six side blocks starting at `start` end, or 0 if one is empty.
  std::uint64_t side_blocks_end(std::uint64_t start) const {
    const auto file = read_bytes(path_);
    for (std::size_t i = 0; i < format::side_block_count; ++i) {
      if (start + 8 > file.size()) return 0;
      std::uint64_t length = 0;
      std::memcpy(&length, file.data() + start, 8);
      if (length == 0) return 0;
      start += 8 + length;
    }
    return start;
  }

  // Nothing but the vault and, at most, the save's temporary file.
  void expect_no_leftovers() const {
    for (const auto& name : file_names(dir_)) EXPECT_TRUE(name == "v.qolty" || name == "v.qolty.save-tmp") << name;
  }

  void restore_old_vault() const {
    write_bytes(path_, old_file_);
    std::filesystem::remove(format::VaultReplacement::temp_path_for(path_));
  }

  std::unique_ptr<format::SecureVaultFormat> vault_;
  std::vector<std::uint8_t> old_file_;
  std::uint64_t old_lamport_ = 0;
  std::map<Uuid, format::Digest> checksums_;
};

TEST_F(CrashSafetyTest, KilledAnywhereLeavesTheOldOrTheNewVault) {
  const auto started = Clock::now();
  ASSERT_EQ(wait_for(spawn([&] { return save_and_exit(); })), 0);
  const auto full_save = Clock::now() - started;
  ASSERT_EQ(state_of_vault(), State::New);
  restore_old_vault();

  constexpr int kill_points = 24;
  std::map<State, int> seen;
  for (int i = 0; i < kill_points; ++i) {
    const pid_t child = spawn([&] { return save_and_exit(); });
    std::this_thread::sleep_for(full_save * i / kill_points);
    ::kill(child, SIGKILL);
    wait_for(child);
    const State state = state_of_vault();
    EXPECT_NE(state, State::Broken) << "killed at point " << i;
    expect_no_leftovers();
    ++seen[state];
    restore_old_vault();
  }
  RecordProperty("old", seen[State::Old]);
  RecordProperty("new", seen[State::New]);

  // A real open of what a late kill leaves behind.
  ASSERT_EQ(wait_for(spawn([&] { return save_and_exit(); })), 0);
  EXPECT_EQ(open_file()->header().sync_meta->lamport, old_lamport_ + lamport_step);
}

TEST_F(CrashSafetyTest, AFullDiskFailsTheSaveAndKeepsTheOldVault) {
  const std::uint64_t size = old_file_.size();
  for (const std::uint64_t limit : {std::uint64_t{0}, std::uint64_t{4096}, size / 2, size - 1}) {
    int pipe_ends[2];
    ASSERT_EQ(::pipe(pipe_ends), 0);
    const pid_t child = spawn([&] {
      ::signal(SIGXFSZ, SIG_IGN);  // writes past the limit fail with EFBIG instead
      const rlimit cap{.rlim_cur = limit, .rlim_max = limit};
      ::setrlimit(RLIMIT_FSIZE, &cap);
      auto saved = vault_->save_vault_impl(true);
      const std::string text = saved ? "" : saved.error().display();
      return ::write(pipe_ends[1], text.data(), text.size()) >= 0 && !saved ? 1 : 0;
    });
    ::close(pipe_ends[1]);
    char text[512] = {};
    const auto got = ::read(pipe_ends[0], text, sizeof text - 1);
    ::close(pipe_ends[0]);
    const int status = wait_for(child);

    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << limit;
    EXPECT_EQ(std::string(text, got > 0 ? static_cast<std::size_t>(got) : 0),
              "Storage error: Write error: " + std::string(std::strerror(EFBIG)))
        << limit;
    EXPECT_EQ(read_bytes(path_), old_file_) << limit;
    EXPECT_EQ(file_names(dir_), std::vector<std::string>{"v.qolty"}) << limit;
  }
}

}  // namespace
}  // namespace vantoro::testing
