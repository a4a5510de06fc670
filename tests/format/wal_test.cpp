#include "format/wal.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "crypto/keys.hpp"
#include "crypto/seal.hpp"
#include "index_rows.hpp"
#include "record_encoding/codec.hpp"

namespace vantoro::format {
namespace {

using encoding::Bytes;
using test::id_of;
using test::sample_row;

const crypto::Key master_key = [] {
  std::array<std::uint8_t, 32> bytes{};
  bytes.fill(0x42);
  return crypto::Key(bytes);
}();
const Uuid file_uuid = id_of(0xF1);

WalOperation delete_of(std::uint8_t seed, std::int64_t seconds, std::uint32_t nanos = 0) {
  return WalOperation{WalOperationType::Delete, id_of(seed), 1000u + seed, std::nullopt, DateTime{seconds, nanos}, false};
}

DbWal log_of(std::vector<WalOperation> operations) {
  DbWal wal{std::move(operations), {}};
  wal.checksum = wal.calculate_checksum();
  return wal;
}

// Seals `wal` exactly as given, a stale checksum included.
Bytes seal_as_is(const DbWal& wal, const Uuid& uuid = file_uuid) {
  return *crypto::seal_blob(crypto::derive_wal_key(master_key, uuid), encoding::encode_record(wal));
}

std::string open_error(std::span<const std::uint8_t> file) {
  auto wal = open_wal(file, master_key, file_uuid);
  return wal ? "(opened)" : wal.error().display();
}

TEST(WalRecords, EmptyLogIsFortyBytesWithTheDigestOfNothing) {
  DbWal wal = log_of({});
  EXPECT_EQ(encoding::encode_record(wal).size(), 40u);
  const Digest sha256_of_nothing = {0xe3, 0xb0, 0xc4, 0x42, 0x98, 0xfc, 0x1c, 0x14, 0x9a, 0xfb, 0xf4,
                                    0xc8, 0x99, 0x6f, 0xb9, 0x24, 0x27, 0xae, 0x41, 0xe4, 0x64, 0x9b,
                                    0x93, 0x4c, 0xa4, 0x95, 0x99, 0x1b, 0x78, 0x52, 0xb8, 0x55};
  EXPECT_EQ(wal.checksum, sha256_of_nothing);
}

TEST(WalRecords, SealAndOpenRoundTripAndEveryWriteUsesAFreshNonce) {
  DbWal wal{{delete_of(1, 1'700'000'000, 5), delete_of(2, -5)}, {}};
  wal.operations[1].operation_type = WalOperationType::Checkpoint;
  wal.operations[1].new_ref = 7;
  auto first = seal_wal(wal, master_key, file_uuid);
  auto second = seal_wal(wal, master_key, file_uuid);
  ASSERT_TRUE(first && second);
  EXPECT_NE(Bytes(first->begin(), first->begin() + 12), Bytes(second->begin(), second->begin() + 12));

  auto opened = open_wal(*first, master_key, file_uuid);
  ASSERT_TRUE(opened) << opened.error().display();
  EXPECT_EQ(opened->operations, wal.operations);
  EXPECT_EQ(opened->checksum, wal.calculate_checksum());
}

TEST(WalRecords, OpenFailuresCarryTheirTexts) {
  DbWal wal = log_of({delete_of(1, 10)});
  const Bytes sealed = *seal_wal(wal, master_key, file_uuid);
  const std::string auth_failed =
      "Format error: WAL decrypt error: WAL decryption error: Format error: WAL decrypt error: "
      "Decryption error: " + std::string(crypto::aead_failure_text);
  const std::string too_short = "Format error: WAL read error: WAL file too short (missing nonce)";

  EXPECT_EQ(open_error({}), too_short);
  EXPECT_EQ(open_error(std::span(sealed).first(11)), too_short);
  EXPECT_EQ(open_error(std::span(sealed).first(12)), auth_failed);
  EXPECT_EQ(open_error(seal_as_is(log_of({delete_of(1, 10)}), id_of(0xF2))), auth_failed);
  Bytes flipped = sealed;
  flipped.back() ^= 1;
  EXPECT_EQ(open_error(flipped), auth_failed);

  EXPECT_EQ(open_error(*crypto::seal_blob(crypto::derive_wal_key(master_key, file_uuid), Bytes{1, 0, 0})),
            "Format error: WAL read error: WAL deserialization error: io error: unexpected end of file");
  Bytes type5 = encoding::encode_record(log_of({delete_of(1, 10)}));
  type5[8] = 5;
  EXPECT_EQ(open_error(*crypto::seal_blob(crypto::derive_wal_key(master_key, file_uuid), type5)),
            "Format error: WAL read error: WAL deserialization error: invalid value: integer `5`, expected "
            "variant index 0 <= i < 5");
}

TEST(WalRecords, ChecksumCoversTypeIdWholeSecondsAndCommittedOnly) {
  struct Case {
    const char* name;
    std::function<void(WalOperation&)> edit;
    bool still_valid;
  };
  const std::vector<Case> cases = {
      {"timestamp moved by a second", [](WalOperation& op) { op.timestamp.seconds += 1; }, false},
      {"committed set", [](WalOperation& op) { op.committed = true; }, false},
      {"type changed", [](WalOperation& op) { op.operation_type = WalOperationType::Update; }, false},
      {"entry changed", [](WalOperation& op) { op.entry_id = id_of(9); }, false},
      {"old_ref changed", [](WalOperation& op) { op.old_ref = 1; }, true},
      {"new_ref added", [](WalOperation& op) { op.new_ref = 2; }, true},
      {"fraction changed", [](WalOperation& op) { op.timestamp.nanos = 999; }, true},
  };
  for (const auto& c : cases) {
    DbWal wal = log_of({delete_of(1, 10), delete_of(2, 20)});
    c.edit(wal.operations[1]);
    auto opened = open_wal(seal_as_is(wal), master_key, file_uuid);
    EXPECT_EQ(opened.has_value(), c.still_valid) << c.name;
    if (!c.still_valid) {
      EXPECT_EQ(opened.error().display(), "Format error: WAL read error: Invalid WAL checksum (corrupt file)") << c.name;
    }
  }
}

TEST(WalRecords, AnOperationWithoutReferencesIsCorruptEvenWithARightChecksum) {
  WalOperation op = delete_of(1, 10);
  op.old_ref.reset();
  EXPECT_EQ(open_error(seal_as_is(log_of({delete_of(2, 5), op}))), "Format error: Corrupted WAL");
}

class WalReplay : public ::testing::Test {
 protected:
  void SetUp() override {
    for (std::uint8_t seed : {1, 2, 3}) {
      IndexEntry row = sample_row(seed, seed * 100u, 50);
      row.deleted_at.reset();
      ASSERT_TRUE(index_.add_entry(row));
    }
  }
  const IndexEntry& row(std::uint8_t seed) { return *index_.find(id_of(seed)); }

  BTreeIndex index_;
};

TEST_F(WalReplay, TheEarliestUncommittedDeleteWinsAndCountsOnce) {
  WalOperation committed = delete_of(1, 5);
  committed.committed = true;
  DbWal wal = log_of({delete_of(1, 300), committed, delete_of(1, 200, 7), delete_of(2, 400)});

  EXPECT_EQ(replay_wal(wal, index_), 2u);
  EXPECT_TRUE(row(1).is_deleted);
  EXPECT_EQ(row(1).deleted_at, (DateTime{200, 7}));
  EXPECT_EQ(row(2).deleted_at, (DateTime{400, 0}));
  EXPECT_FALSE(row(3).is_deleted);
  EXPECT_TRUE(index_.validate());
}

TEST_F(WalReplay, OnlyADeleteOfAnIndexedRowHasAnEffect) {
  std::vector<WalOperation> others;
  for (auto type : {WalOperationType::Insert, WalOperationType::Update, WalOperationType::Move,
                    WalOperationType::Checkpoint}) {
    others.push_back(delete_of(3, 100));
    others.back().operation_type = type;
  }
  others.push_back(delete_of(9, 1));  // no such row
  EXPECT_EQ(replay_wal(log_of(others), index_), 0u);
  EXPECT_FALSE(row(3).is_deleted);
  EXPECT_EQ(index_.size(), 3u);
}

TEST_F(WalReplay, ARowAlreadyInTheTrashKeepsItsTime) {
  IndexEntry trashed = row(1);
  trashed.is_deleted = true;
  trashed.deleted_at = DateTime{50, 0};
  ASSERT_TRUE(index_.update_entry(trashed.entry_id, trashed));
  EXPECT_EQ(replay_wal(log_of({delete_of(1, 10)}), index_), 0u);
  EXPECT_EQ(row(1).deleted_at, (DateTime{50, 0}));
}

}  // namespace
}  // namespace vantoro::format
