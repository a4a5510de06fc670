#include "services/wal_service.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

#include <filesystem>
#include <fstream>
#include <string>

#include "crypto/random.hpp"
#include "format/index_rows.hpp"

namespace vantoro::services {
namespace {

namespace fs = std::filesystem;
using format::WalOperation;
using format::WalOperationType;
using test::id_of;

WalOperation delete_of(std::uint8_t seed, std::int64_t seconds) {
  return WalOperation{WalOperationType::Delete, id_of(seed), 100u * seed, std::nullopt, DateTime{seconds, 0}, false};
}

// A private directory with a vault path in it, removed afterwards. The vault
// file itself is never needed: the log lives beside it.
class WalServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("wal-" + crypto::random_uuid().to_string());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  void write_file(const fs::path& path, std::string_view bytes) { std::ofstream(path, std::ios::binary) << bytes; }
  std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  Result<std::optional<format::DbWal>> read() const {
    return WalService::read_wal_internal(wal_.wal_path(), key_, file_uuid_);
  }

  fs::path dir_;
  WalService wal_{fs::path("unused")};
  crypto::Key key_ = crypto::Key(std::array<std::uint8_t, 32>{7});
  Uuid file_uuid_ = id_of(0xF1);

  void use_vault(const std::string& name) { wal_ = WalService(dir_ / name); }
};

TEST(WalServicePaths, ExtensionIsReplacedByTheLogsOwn) {
  struct Case {
    const char* vault;
    const char* wal;
    const char* temp;
  };
  const Case cases[] = {
      {"/home/u/personal.qolty", "/home/u/personal.qolty.wal", "/home/u/personal.qolty.tmp"},
      {"/home/u/store", "/home/u/store.qolty.wal", "/home/u/store.qolty.tmp"},
      {"a.b.qolty", "a.b.qolty.wal", "a.b.qolty.tmp"},
      {"dir.d/Old phone.qolty", "dir.d/Old phone.qolty.wal", "dir.d/Old phone.qolty.tmp"},
  };
  for (const auto& c : cases) {
    WalService wal{fs::path(c.vault)};
    EXPECT_EQ(wal.wal_path(), fs::path(c.wal)) << c.vault;
    EXPECT_EQ(wal.temp_path(), fs::path(c.temp)) << c.vault;
  }
}

TEST_F(WalServiceTest, AppendsCreateThenExtendTheLogAndLeaveNoTemporaryFile) {
  use_vault("a.qolty");
  EXPECT_FALSE(wal_.wal_exists());
  ASSERT_TRUE(wal_.write_operation(delete_of(1, 20), key_, file_uuid_));
  ASSERT_TRUE(wal_.write_operation(delete_of(2, 10), key_, file_uuid_));

  auto log = read();
  ASSERT_TRUE(log && *log) << (log ? "" : log.error().display());
  EXPECT_EQ((*log)->operations, (std::vector<WalOperation>{delete_of(1, 20), delete_of(2, 10)}));
  EXPECT_FALSE(fs::exists(wal_.temp_path()));
  struct stat status {};
  ASSERT_EQ(::stat(wal_.wal_path().c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);
}

TEST_F(WalServiceTest, AnUnreadableLogIsNeitherExtendedNorReplaced) {
  use_vault("a.qolty");
  ASSERT_TRUE(wal_.write_operation(delete_of(1, 20), key_, file_uuid_));
  const std::string before = read_file(wal_.wal_path());

  auto appended = wal_.write_operation(delete_of(2, 30), key_, id_of(0xF2));
  ASSERT_FALSE(appended);
  EXPECT_TRUE(appended.error().is(FormatError::WalDecryptionError));
  EXPECT_EQ(read_file(wal_.wal_path()), before);
}

TEST_F(WalServiceTest, ReadingReportsAMissingLogShortFileAndOsErrors) {
  use_vault("a.qolty");
  auto missing = read();
  ASSERT_TRUE(missing);
  EXPECT_FALSE(*missing);

  write_file(wal_.wal_path(), std::string(11, 'x'));
  EXPECT_EQ(read().error().display(), "Format error: WAL read error: WAL file too short (missing nonce)");

  fs::remove(wal_.wal_path());
  fs::create_directory(wal_.wal_path());
  EXPECT_EQ(read().error().display(), "Format error: WAL read error: WAL read error: Is a directory");
}

TEST_F(WalServiceTest, AnUnwritableTemporaryFileFailsTheAppendAndCreatesNoLog) {
  use_vault("a.qolty");
  fs::create_directories(wal_.temp_path() / "occupied");
  auto appended = wal_.write_operation(delete_of(1, 20), key_, file_uuid_);
  ASSERT_FALSE(appended);
  EXPECT_EQ(appended.error().display(), "Format error: WAL write error: WAL temp file write error: Is a directory");
  EXPECT_FALSE(wal_.wal_exists());
}

TEST_F(WalServiceTest, ClearWalDeletesTheLogAndAcceptsNone) {
  use_vault("a.qolty");
  EXPECT_TRUE(wal_.clear_wal());
  ASSERT_TRUE(wal_.write_operation(delete_of(1, 20), key_, file_uuid_));
  EXPECT_TRUE(wal_.clear_wal());
  EXPECT_FALSE(wal_.wal_exists());

  fs::create_directories(wal_.wal_path() / "occupied");
  auto cleared = wal_.clear_wal();
  ASSERT_FALSE(cleared);
  EXPECT_EQ(cleared.error().display(), "Storage error: Delete error: Failed to delete WAL file: Directory not empty");
}

class WalRecovery : public WalServiceTest {
 protected:
  static void SetUpTestSuite() {
    const std::array<std::uint8_t, 4> passphrase = {'p', 'a', 's', 's'};
    ASSERT_TRUE(keys_.derive_master_key(passphrase, std::array<std::uint8_t, 32>{1}));
  }
  void SetUp() override {
    WalServiceTest::SetUp();
    use_vault("a.qolty");
    key_ = keys_.master_key()->get();
    format::IndexEntry row;
    row.entry_id = id_of(1);
    row.offset = 100;
    ASSERT_TRUE(index_.add_entry(row));
  }

  static inline crypto::KeyManager keys_;
  format::BTreeIndex index_;
};

TEST_F(WalRecovery, ReplaysTheLogIntoTheIndexAndKeepsTheLog) {
  EXPECT_EQ(recover_from_wal(nullptr, keys_, file_uuid_, index_), 0u);
  EXPECT_EQ(recover_from_wal(&wal_, keys_, file_uuid_, index_), 0u);

  ASSERT_TRUE(wal_.write_operation(delete_of(1, 20), key_, file_uuid_));
  EXPECT_EQ(recover_from_wal(&wal_, keys_, file_uuid_, index_), 1u);
  EXPECT_EQ(index_.find(id_of(1))->deleted_at, (DateTime{20, 0}));
  EXPECT_TRUE(wal_.wal_exists());
}

TEST_F(WalRecovery, FailsWithoutAMasterKeyOrWithADamagedLog) {
  crypto::KeyManager no_key;
  EXPECT_EQ(recover_from_wal(&wal_, no_key, file_uuid_, index_).error().display(),
            "Format error: WAL recovery error: Could not get master key: No master key available");

  write_file(wal_.wal_path(), std::string(11, 'x'));
  EXPECT_TRUE(recover_from_wal(&wal_, keys_, file_uuid_, index_).error().is(FormatError::WalReadError));
  EXPECT_FALSE(index_.find(id_of(1))->is_deleted);
}

// Logs written by an independent implementation of the format, read with the
// key of their vault (password, preamble salt and file_uuid).
TEST(WalFixtures, LogsWrittenElsewhereReadHere) {
  const char* root = std::getenv("VANTORO_FIXTURES");
  if (!root) GTEST_SKIP() << "VANTORO_FIXTURES is not set";
  struct Case {
    const char* scenario;
    const char* vault;
    const char* error;  // display text, or null when the log must read
  };
  const Case cases[] = {
      {"wal-recent", "Old phone.qolty", nullptr},
      {"wal-old", "Shared.qolty", nullptr},
      {"wal-wrong-key", "Work.qolty", "Format error: WAL decrypt error: WAL decryption error: "},
      {"wal-short", "Everyday.qolty", "Format error: WAL read error: WAL file too short (missing nonce)"},
  };
  for (const auto& c : cases) {
    const fs::path dir = fs::path(root) / "public" / c.scenario;
    std::ifstream vault(dir / c.vault, std::ios::binary), password_file(dir / "password");
    std::array<std::uint8_t, 54> preamble{};
    vault.read(reinterpret_cast<char*>(preamble.data()), preamble.size());
    std::string password{std::istreambuf_iterator<char>(password_file), {}};
    Uuid file_uuid;
    std::copy_n(preamble.begin() + 38, 16, file_uuid.bytes.begin());
    crypto::KeyManager keys;
    if (!c.error || std::string_view(c.error).contains("decrypt")) {
      ASSERT_TRUE(keys.derive_master_key(std::span(reinterpret_cast<const std::uint8_t*>(password.data()), password.size()),
                                         std::span(preamble).subspan(6, 32)));
    }
    const crypto::Key key = keys.has_master_key() ? keys.master_key()->get() : crypto::Key();
    auto log = WalService::read_wal_internal(WalService(dir / c.vault).wal_path(), key, file_uuid);
    if (c.error) {
      ASSERT_FALSE(log) << c.scenario;
      EXPECT_TRUE(log.error().display().starts_with(c.error)) << c.scenario << ": " << log.error().display();
      continue;
    }
    ASSERT_TRUE(log && *log) << c.scenario << ": " << (log ? "no log" : log.error().display());
    ASSERT_FALSE((*log)->operations.empty()) << c.scenario;
    for (const auto& op : (*log)->operations) {
      EXPECT_EQ(op.operation_type, WalOperationType::Delete) << c.scenario;
      EXPECT_TRUE(op.old_ref.has_value()) << c.scenario;
      EXPECT_FALSE(op.committed) << c.scenario;
    }
  }
}

}  // namespace
}  // namespace vantoro::services
