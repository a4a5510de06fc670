#include "format/preamble.hpp"

#include <vector>

#include "temp_dir.hpp"

namespace vantoro::format {
namespace {

using Bytes = std::vector<std::uint8_t>;
using PreambleTest = testing::TempDirTest;

SecureHeader header_with(std::optional<Salt> recovery_salt, std::optional<Bytes> wrapped) {
  SecureHeader header;
  header.format_version = 4;
  header.salt.fill(0xAA);
  header.file_uuid.bytes.fill(0xBB);
  header.recovery_salt = recovery_salt;
  header.master_key_wrapped_with_recovery = std::move(wrapped);
  return header;
}

TEST(EncodePreamble, LaysOutTheHeadersValues) {
  Salt recovery;
  recovery.fill(0xCC);
  const auto header = header_with(recovery, Bytes{1, 2, 3});
  auto bytes = encode_preamble(header);
  ASSERT_TRUE(bytes);

  Bytes expected = {'Q', 'O', 'L', 'T', 4, 0};
  expected.insert(expected.end(), 32, 0xAA);
  expected.insert(expected.end(), 16, 0xBB);
  expected.push_back(1);
  expected.insert(expected.end(), 32, 0xCC);
  expected.insert(expected.end(), {1, 3, 0, 0, 0, 1, 2, 3});
  EXPECT_EQ(*bytes, expected);
  EXPECT_EQ(preamble_size(header), 95u);
  EXPECT_EQ(index_end(header, 10, 20), 95u + 8 + 10 + 8 + 20);
}

TEST(EncodePreamble, RecoverySectionSizes) {
  Salt recovery{};
  struct Case {
    SecureHeader header;
    std::uint64_t size;
  };
  const std::vector<Case> cases = {
      {header_with(std::nullopt, std::nullopt), 55},
      {header_with(std::nullopt, Bytes(5)), 55},  // a wrapped key needs a recovery salt in front
      {header_with(recovery, std::nullopt), 88},
      {header_with(recovery, Bytes{}), 92},
      {header_with(recovery, Bytes(7)), 99},
  };
  for (const auto& c : cases) {
    auto bytes = encode_preamble(c.header);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->size(), c.size);
    EXPECT_EQ(preamble_size(c.header), c.size);
    EXPECT_EQ(index_end(c.header, 0, 0), c.size + 16);  // 70 + recovery section when both regions are empty
  }
}

TEST(EncodePreamble, RefusesAWrappedKeyNoReaderWouldAcceptBack) {
  Salt recovery{};
  EXPECT_TRUE(encode_preamble(header_with(recovery, Bytes(max_wrapped_key_size))));
  EXPECT_EQ(encode_preamble(header_with(recovery, Bytes(max_wrapped_key_size + 1))).error(),
            AppError(FormatError::SerializationError, "Invalid wrapped_key size: 1048577 bytes (max 1MB)"));
}

TEST_F(PreambleTest, WalkReadsBackWhatTheWriterWrote) {
  Salt recovery;
  recovery.fill(0xCC);
  for (const auto& header : {header_with(std::nullopt, std::nullopt), header_with(recovery, std::nullopt),
                             header_with(recovery, Bytes{9, 9})}) {
    auto bytes = *encode_preamble(header);
    bytes.insert(bytes.end(), {5, 0, 0, 0, 0, 0, 0, 0});
    auto file = PosixFile::open_read(write(bytes));
    ASSERT_TRUE(file);
    PreambleWalk walk(*file);
    ASSERT_TRUE(walk.read_magic());
    EXPECT_EQ(walk.read_version(), 4);
    EXPECT_EQ(walk.read_salt(), header.salt);
    EXPECT_EQ(walk.read_file_uuid(), header.file_uuid);
    auto fields = walk.read_recovery_fields();
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->recovery_salt, header.recovery_salt);
    if (fields->wrapped_key_size) {
      EXPECT_EQ(*fields->wrapped_key_size, header.master_key_wrapped_with_recovery->size());
      ASSERT_TRUE(walk.skip(*fields->wrapped_key_size));
    }
    EXPECT_EQ(walk.position(), preamble_size(header));
    EXPECT_EQ(walk.read_u64(), 5u);
  }
}

TEST_F(PreambleTest, MagicAndVersionChecks) {
  struct Case {
    Bytes bytes;
    AppError error;
  };
  const std::vector<Case> cases = {
      {{'Q', 'O', 'L', 'X', 4, 0}, AppError(FormatError::InvalidMagicNumber)},
      {{'Q', 'O', 'L', 'T', 3, 0}, AppError(FormatError::UnsupportedVersion, std::uint16_t{3})},
      {{'Q', 'O', 'L', 'T', 5, 0}, AppError(FormatError::UnsupportedVersion, std::uint16_t{5})},
      {{'Q', 'O', 'L', 'T', 4}, AppError(StorageError::ReadError, "unexpected end of file")},
  };
  for (const auto& c : cases) {
    auto file = PosixFile::open_read(write(c.bytes));
    PreambleWalk walk(*file);
    auto checked = walk.read_magic();
    if (checked) checked = walk.read_supported_version();
    EXPECT_EQ(checked.error(), c.error);
  }
  // The side-block loader reads the version without checking it.
  auto file = PosixFile::open_read(write({'Q', 'O', 'L', 'T', 5, 0}));
  PreambleWalk walk(*file);
  ASSERT_TRUE(walk.read_magic());
  EXPECT_EQ(walk.read_version(), 5);
}

TEST_F(PreambleTest, OnlyAFlagOfExactlyOneMeansPresent) {
  Bytes bytes = *encode_preamble(header_with(std::nullopt, std::nullopt));
  bytes.back() = 2;
  bytes.insert(bytes.end(), 40, 0);
  auto file = PosixFile::open_read(write(bytes));
  PreambleWalk walk(*file);
  ASSERT_TRUE(walk.skip(54));
  auto fields = walk.read_recovery_fields();
  ASSERT_TRUE(fields);
  EXPECT_FALSE(fields->recovery_salt);
  EXPECT_EQ(walk.position(), 55u);
}

}  // namespace
}  // namespace vantoro::format
