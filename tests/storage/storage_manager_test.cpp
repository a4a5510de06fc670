#include "storage/storage_manager.hpp"

#include <gtest/gtest.h>

#include <asio/co_spawn.hpp>
#include <asio/thread_pool.hpp>
#include <asio/use_future.hpp>
#include <cstdlib>

#include "support/sample_entries.hpp"
#include "vault/vault_test.hpp"

namespace vantoro::storage {
namespace {

namespace fs = std::filesystem;

// Runs one storage operation to completion on a small pool.
template <class Task>
auto run(asio::thread_pool& pool, Task task) {
  return asio::co_spawn(pool, std::move(task), asio::use_future).get();
}

TEST(VaultExtension, IsPutOnTheFileName) {
  const std::pair<const char*, const char*> cases[] = {
      {"x", "x.qolty"},           {"x.QOLTY", "x.qolty"},       {"a.tar.gz", "a.tar.qolty"},
      {"dir/v.qolty", "dir/v.qolty"}, {".hidden", ".hidden.qolty"}, {"x.", "x.qolty"},
      {"d/sub/", "d/sub.qolty"},  {"/", "/"},                   {"..", ".."},
  };
  for (const auto& [typed, expected] : cases) {
    EXPECT_EQ(with_vault_extension(typed).string(), expected) << typed;
  }
}

class StorageManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tmp_ = fs::temp_directory_path() / ("storage-manager-" + std::to_string(::getpid()));
    fs::create_directories(tmp_);
    saved_tmpdir_ = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
    ::setenv("TMPDIR", tmp_.c_str(), 1);
  }
  void TearDown() override {
    if (saved_tmpdir_.empty()) {
      ::unsetenv("TMPDIR");
    } else {
      ::setenv("TMPDIR", saved_tmpdir_.c_str(), 1);
    }
    fs::remove_all(tmp_);
  }

  asio::thread_pool pool_{2};
  fs::path tmp_;
  std::string saved_tmpdir_;
};

TEST_F(StorageManagerTest, TemporaryDirectoryLivesAsLongAsTheManager) {
  {
    StorageManager storage(pool_.get_executor());
    EXPECT_EQ(storage.temp_dir(), tmp_ / "quorvel");
    EXPECT_TRUE(fs::is_directory(tmp_ / "quorvel"));
  }
  EXPECT_FALSE(fs::exists(tmp_ / "quorvel"));
}

TEST_F(StorageManagerTest, ListingAndLockingNeedAnOpenVault) {
  StorageManager storage(pool_.get_executor());
  EXPECT_TRUE(run(pool_, storage.list_entries_unmasked()).error().is(ServiceError::VaultLocked));
  EXPECT_TRUE(run(pool_, storage.lock_vault()).error().is(ServiceError::VaultLocked));
}

TEST_F(StorageManagerTest, OpeningChecksThePathBeforeTakingTheLock) {
  StorageManager storage(pool_.get_executor());
  fs::create_directory(tmp_ / "d.qolty");
  auto not_a_file = run(pool_, storage.open_vault(tmp_ / "d", "pw"));
  EXPECT_EQ(not_a_file.error().display(), "Storage error: File not found: " + (tmp_ / "d.qolty").string() + " is not a file");
  auto missing = run(pool_, storage.open_vault(tmp_ / "none.qolty", "pw"));
  EXPECT_TRUE(missing.error().is(StorageError::FileNotFound));
  EXPECT_TRUE(storage.is_locked());
  EXPECT_FALSE(storage.holds_passphrase());
}

TEST_F(StorageManagerTest, OpeningPurgesExpiredTrashAndSavesTheVault) {
  testing::VaultBuilder builder(testing::vault_password);
  const Entry live = testing::sample_entry(EntryType::Note, 1);
  const Entry expired = testing::sample_entry(EntryType::Note, 2);
  builder.add(live).add(testing::BuilderEntry{.entry = expired, .is_deleted = true});
  const fs::path path = tmp_ / "v.qolty";
  builder.write(path);
  const auto stored = testing::read_bytes(path);
  StorageManager storage(pool_.get_executor());
  const DateTime start = DateTime::now();

  auto info = run(pool_, storage.open_vault(path, testing::vault_password));
  ASSERT_TRUE(info) << info.error().display();
  EXPECT_EQ(info->entry_count, 1u);
  // The summary loses the purged entries, whether it counted them or not.
  EXPECT_EQ(storage.vault_info()->entry_count, 0u);
  EXPECT_GE(storage.vault_info()->updated_at, start);
  EXPECT_NE(testing::read_bytes(path), stored);
  EXPECT_EQ(testing::file_names(tmp_), (std::vector<std::string>{"quorvel", "v.qolty"}));

  format::FormatManager reopened(Uuid{});
  ASSERT_TRUE(reopened.open_vault(path, testing::vault_password));
  EXPECT_TRUE(reopened.vault().index().contains(live.id));
  EXPECT_FALSE(reopened.vault().index().contains(expired.id));

  // Maintenance needs an open vault.
  ASSERT_TRUE(run(pool_, storage.lock_vault()));
  EXPECT_TRUE(run(pool_, storage.cleanup_expired_trash(30)).error().is(ServiceError::VaultLocked));
}

}  // namespace
}  // namespace vantoro::storage
