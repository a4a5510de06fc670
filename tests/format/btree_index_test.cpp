#include "format/btree_index.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "index_rows.hpp"
#include "record_encoding/codec.hpp"

namespace vantoro::format {
namespace {

using encoding::Bytes;
using test::id_of;
using test::sample_row;

struct Placed {
  std::uint8_t seed;
  std::uint64_t offset;
  std::uint32_t length;
};

BTreeIndex index_of(const std::vector<Placed>& rows, std::uint64_t total_size = 0) {
  BTreeIndex index(total_size);
  for (const auto& [seed, offset, length] : rows) EXPECT_TRUE(index.add_entry(sample_row(seed, offset, length)));
  return index;
}

// The bytes of `changed` carrying the stored checksum of `original`: what a
// file looks like when a field changed after the checksum was computed.
Bytes with_checksum_of(const BTreeIndex& changed, const BTreeIndex& original) {
  Bytes bytes = changed.serialize();
  std::ranges::copy(original.checksum(), bytes.end() - 32);
  return bytes;
}

// An index as another writer may store it: rows may share offsets (which
// add_entry refuses); the stored checksum is the right one.
Bytes encoded_index(const std::vector<IndexEntry>& rows) {
  std::map<Uuid, IndexEntry> entries;
  std::map<std::uint64_t, Uuid> offsets;
  for (const auto& row : rows) {
    entries.insert_or_assign(row.entry_id, row);
    offsets.insert_or_assign(row.offset, row.entry_id);
  }
  Bytes bytes = encoding::encode_record(entries);
  for (const Bytes& part : {encoding::encode_record(offsets), Bytes(8 + 32, 0)}) {
    bytes.insert(bytes.end(), part.begin(), part.end());
  }
  auto decoded = encoding::decode_record<BTreeIndex>(bytes);
  std::ranges::copy(decoded->calculate_checksum(), bytes.end() - 32);
  return bytes;
}

std::string error_text(const Result<BTreeIndex>& result) {
  return result ? "(decoded)" : result.error().text();
}

TEST(BTreeIndexEncoding, EmptyIndexIsFiftySixBytesAndHashesTotalSizeOnly) {
  BTreeIndex index;
  EXPECT_EQ(index.serialize(), Bytes(56, 0));
  const Digest sha256_of_eight_zero_bytes = {
      0xaf, 0x55, 0x70, 0xf5, 0xa1, 0x81, 0x0b, 0x7a, 0xf7, 0x8c, 0xaf, 0x4b, 0xc7, 0x0a, 0x66, 0x0f,
      0x0d, 0xf5, 0x1e, 0x42, 0xba, 0xf9, 0x1d, 0x4d, 0xe5, 0xb2, 0x32, 0x8d, 0xe0, 0xe8, 0x3d, 0xfc};
  EXPECT_EQ(index.calculate_checksum(), sha256_of_eight_zero_bytes);
}

TEST(BTreeIndexEncoding, EncodeDecodeEncodeGivesIdenticalBytesWithEveryField) {
  BTreeIndex index = index_of({{9, 500, 40}, {3, 100, 50}, {7, 300, 0}}, 5'138'181);
  Bytes bytes = index.serialize();
  EXPECT_EQ(bytes.size(), encoding::encoded_size(index));

  auto decoded = BTreeIndex::deserialize(bytes);
  ASSERT_TRUE(decoded) << decoded.error().display();
  EXPECT_EQ(decoded->serialize(), bytes);
  EXPECT_EQ(decoded->get_all_entries(), index.get_all_entries());
  EXPECT_EQ(decoded->offset_map(), index.offset_map());
  EXPECT_EQ(decoded->total_size(), 5'138'181u);

  // The map key precedes each row, whose first field repeats it.
  Bytes key_then_row(bytes.begin() + 8, bytes.begin() + 8 + 48);
  EXPECT_EQ(key_then_row[0], 16);
  EXPECT_TRUE(std::equal(key_then_row.begin(), key_then_row.begin() + 24, key_then_row.begin() + 24));
}

TEST(BTreeIndexEncoding, BytesAfterTheIndexAreIgnored) {
  BTreeIndex index = index_of({{1, 0, 10}});
  Bytes bytes = index.serialize();
  bytes.insert(bytes.end(), {1, 2, 3});
  auto decoded = BTreeIndex::deserialize(bytes);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->get_all_entries(), index.get_all_entries());
}

TEST(BTreeIndexRows, RowsComeBackInAscendingIdOrder) {
  BTreeIndex index = index_of({{9, 0, 1}, {2, 10, 1}, {5, 20, 1}});
  std::vector<std::uint8_t> seeds;
  for (const auto& row : index.all_entries()) seeds.push_back(row.entry_id.bytes[0]);
  EXPECT_EQ(seeds, (std::vector<std::uint8_t>{2, 5, 9}));
  EXPECT_EQ(index.get_all_entries().front().entry_id, id_of(2));
}

TEST(BTreeIndexRows, AddEntryTestsTheOffsetFirstAndChangesNothingOnFailure) {
  BTreeIndex index = index_of({{1, 100, 10}});
  const Bytes before = index.serialize();

  auto same_offset_and_id = index.add_entry(sample_row(1, 100, 10));
  ASSERT_FALSE(same_offset_and_id);
  EXPECT_EQ(same_offset_and_id.error().display(), "Format error: Invalid offset: 100");

  auto same_id = index.add_entry(sample_row(1, 200, 10));
  ASSERT_FALSE(same_id);
  EXPECT_EQ(same_id.error().display(),
            "Format error: Duplicate entry: 01010101-0101-0101-0101-010101010101");
  EXPECT_EQ(index.serialize(), before);
}

TEST(BTreeIndexRows, AddEntryKeepsTheOffsetMapAndChecksumCurrent) {
  BTreeIndex index = index_of({{1, 100, 10}, {2, 110, 10}});
  EXPECT_EQ(index.offset_map(), (std::map<std::uint64_t, Uuid>{{100, id_of(1)}, {110, id_of(2)}}));
  EXPECT_EQ(index.checksum(), index.calculate_checksum());
  EXPECT_TRUE(index.validate());
}

TEST(BTreeIndexRows, UpdateEntryMayKeepItsOwnOffsetAndAddsUnknownIds) {
  BTreeIndex index = index_of({{1, 100, 10}});
  IndexEntry row = sample_row(1, 100, 20);
  ASSERT_TRUE(index.update_entry(row.entry_id, row));
  EXPECT_EQ(index.find(row.entry_id)->length, 20u);

  ASSERT_TRUE(index.update_entry(id_of(2), sample_row(2, 300, 5)));
  EXPECT_EQ(index.size(), 2u);
  EXPECT_EQ(index.offset_map(), (std::map<std::uint64_t, Uuid>{{100, id_of(1)}, {300, id_of(2)}}));
  EXPECT_TRUE(index.validate());
}

TEST(BTreeIndexRows, UpdateEntryOntoAnotherRowsOffsetFailsAndLeavesItsOwnOffsetReleased) {
  BTreeIndex index = index_of({{1, 100, 10}, {2, 200, 10}});
  const Digest checksum_before = index.checksum();

  auto moved = index.update_entry(id_of(1), sample_row(1, 200, 10));
  ASSERT_FALSE(moved);
  EXPECT_EQ(moved.error().display(), "Format error: Invalid offset: 200");
  EXPECT_EQ(index.find(id_of(1))->offset, 100u);
  EXPECT_EQ(index.offset_map(), (std::map<std::uint64_t, Uuid>{{200, id_of(2)}}));
  EXPECT_EQ(index.checksum(), checksum_before);
}

TEST(BTreeIndexRows, RemoveEntryTakesItsOffsetAndClearEmptiesEverything) {
  BTreeIndex index = index_of({{1, 100, 10}, {2, 200, 10}}, 77);
  auto removed = index.remove_entry(id_of(1));
  ASSERT_TRUE(removed);
  EXPECT_EQ(removed->offset, 100u);
  EXPECT_FALSE(index.remove_entry(id_of(1)));
  EXPECT_EQ(index.offset_map(), (std::map<std::uint64_t, Uuid>{{200, id_of(2)}}));
  EXPECT_EQ(index.checksum(), index.calculate_checksum());

  index.clear();
  EXPECT_EQ(index.serialize(), Bytes(56, 0));
}

TEST(BTreeIndexRows, ReplaceRowsRelaysEveryRowOrChangesNothing) {
  BTreeIndex index = index_of({{1, 100, 10}, {2, 200, 10}, {3, 300, 10}}, 9);
  ASSERT_TRUE(index.replace_rows({sample_row(2, 300, 10), sample_row(1, 310, 10)}));
  EXPECT_EQ(index.offset_map(), (std::map<std::uint64_t, Uuid>{{300, id_of(2)}, {310, id_of(1)}}));
  EXPECT_TRUE(BTreeIndex::deserialize(index.serialize()));

  const Bytes before = index.serialize();
  auto same_offset = index.replace_rows({sample_row(1, 0, 10), sample_row(2, 0, 10)});
  ASSERT_FALSE(same_offset);
  EXPECT_EQ(same_offset.error().display(), "Format error: Invalid offset: 0");
  auto same_id = index.replace_rows({sample_row(1, 0, 10), sample_row(1, 20, 10)});
  ASSERT_FALSE(same_id);
  EXPECT_TRUE(same_id.error().is(FormatError::DuplicateEntry));
  EXPECT_EQ(index.serialize(), before);
}

TEST(BTreeIndexValidate, OverlapRules) {
  struct Case {
    const char* name;
    std::vector<Placed> rows;
    bool valid;
  };
  const Case cases[] = {
      {"touching", {{1, 100, 50}, {2, 150, 10}}, true},
      {"one byte over", {{1, 100, 51}, {2, 150, 10}}, false},
      {"order by offset, not id", {{1, 150, 10}, {2, 100, 51}}, false},
      {"zero length overlaps nothing", {{1, 100, 0}, {2, 100, 0}, {3, 100, 5}}, true},
      {"starts inside an earlier row", {{1, 0, 100}, {2, 50, 0}}, false},
      {"gaps", {{1, 0, 10}, {2, 1000, 10}, {3, 500, 10}}, true},
  };
  for (const auto& c : cases) {
    std::vector<IndexEntry> rows;
    for (const auto& [seed, offset, length] : c.rows) rows.push_back(sample_row(seed, offset, length));
    auto result = BTreeIndex::deserialize(encoded_index(rows));
    EXPECT_EQ(result.has_value(), c.valid) << c.name;
    if (!c.valid) {
      EXPECT_EQ(result.error().display(), "Format error: Overlapping entries") << c.name;
    }
  }
}

TEST(BTreeIndexValidate, ChecksumCoversTheLayoutOnly) {
  const BTreeIndex original = index_of({{1, 100, 10}, {2, 200, 10}}, 500);
  auto changed = [&](auto edit, std::uint64_t total_size = 500) {
    BTreeIndex index(total_size);
    for (auto row : original.get_all_entries()) {
      if (row.entry_id == id_of(2)) edit(row);
      EXPECT_TRUE(index.add_entry(row));
    }
    return BTreeIndex::deserialize(with_checksum_of(index, original));
  };
  const std::string corrupted = "Format error: Corrupted index";

  EXPECT_EQ(changed([](IndexEntry& r) { r.checksum[31] ^= 1; }).error().display(), corrupted);
  EXPECT_EQ(changed([](IndexEntry& r) { r.length += 1; }).error().display(), corrupted);
  EXPECT_EQ(changed([](IndexEntry& r) { r.entry_type = EntryType::Note; }).error().display(), corrupted);
  EXPECT_EQ(changed([](IndexEntry&) {}, 501).error().display(), corrupted);

  EXPECT_TRUE(changed([](IndexEntry& r) { r.title = "Renamed"; }));
  EXPECT_TRUE(changed([](IndexEntry& r) {
    r.is_deleted = true;
    r.version_count = 9;
    r.head_version_id.reset();
  }));
}

TEST(BTreeIndexValidate, AnIndexWithoutRowsIsValidWhateverItsChecksum) {
  Bytes bytes(56, 0);
  bytes[24] = 9;                          // total_size
  std::fill(bytes.end() - 32, bytes.end(), 0xAB);
  EXPECT_TRUE(BTreeIndex::deserialize(bytes));
}

// Byte position of a row field in a one-row index: count, key, then the row.
std::size_t row_field_position(const IndexEntry& row, std::size_t field) {
  std::size_t position = 8 + 24;
  std::size_t index = 0;
  auto counter = [&](std::string_view, const auto& value, const auto&...) {
    if (index++ < field) position += encoding::size_of(value);
  };
  visit_fields(counter, const_cast<IndexEntry&>(row));
  return position;
}

TEST(BTreeIndexDeserialize, DecodeFailuresCarryTheirTexts) {
  IndexEntry row = sample_row(1, 0, 10);
  row.carried_5.reset();
  const Bytes good = index_of({}).serialize();
  BTreeIndex one_row;
  ASSERT_TRUE(one_row.add_entry(row));
  const Bytes bytes = one_row.serialize();

  Bytes tag2 = bytes;
  tag2[row_field_position(row, 4)] = 2;  // carried_5's option tag
  const std::string m = "tag for enum is not valid, found 2";
  EXPECT_EQ(error_text(BTreeIndex::deserialize(tag2)),
            "Index format compatibility error: " + m +
                ". The vault was written by an incompatible build (e.g. mobile vs desktop). EntryType/EntryData "
                "enum wire tags may differ if variant order changed. Detail: " + m);

  Bytes type20 = bytes;
  type20[row_field_position(row, 1)] = 20;
  EXPECT_EQ(error_text(BTreeIndex::deserialize(type20)),
            "Index deserialization failed: invalid value: integer `20`, expected variant index 0 <= i < 20");

  Bytes bool2 = bytes;
  bool2[row_field_position(row, 11)] = 2;  // compressed
  EXPECT_EQ(error_text(BTreeIndex::deserialize(bool2)),
            "Index deserialization failed: invalid u8 while decoding bool, expected 0 or 1, found 2");

  EXPECT_EQ(error_text(BTreeIndex::deserialize(std::span(good).first(55))),
            "Index deserialization failed: io error: unexpected end of file");
  EXPECT_EQ(error_text(BTreeIndex::deserialize(std::span(bytes).first(row_field_position(row, 2) + 9))),
            "Index deserialization failed: io error: ");
  EXPECT_EQ(BTreeIndex::deserialize(tag2).error().debug().substr(0, 28), "Format(DeserializationError(");
}

}  // namespace
}  // namespace vantoro::format
