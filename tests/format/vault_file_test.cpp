#include "format/vault_file.hpp"

#include <cstdlib>
#include <string>
#include <vector>

#include "format/preamble.hpp"
#include "format/text_fill.hpp"
#include "temp_dir.hpp"

namespace vantoro::format {
namespace {

using Bytes = std::vector<std::uint8_t>;
using VaultFileTest = testing::TempDirTest;

void append_u64(Bytes& out, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

Salt filled_salt(std::uint8_t value) {
  Salt salt;
  salt.fill(value);
  return salt;
}

// A preamble with these recovery fields, then the header and index lengths
// as declared, each followed by that many bytes unless told otherwise.
class Layout {
 public:
  Layout& recovery(Salt salt, std::optional<Bytes> wrapped_key = std::nullopt) {
    header_.recovery_salt = salt;
    header_.master_key_wrapped_with_recovery = std::move(wrapped_key);
    return *this;
  }
  Layout& header(std::uint64_t declared, std::optional<std::uint64_t> present = std::nullopt) {
    header_size_ = declared;
    header_bytes_ = present.value_or(declared);
    return *this;
  }
  Layout& index(std::uint64_t declared, std::optional<std::uint64_t> present = std::nullopt) {
    index_size_ = declared;
    index_bytes_ = present.value_or(declared);
    return *this;
  }

  [[nodiscard]] const SecureHeader& secure_header() const { return header_; }
  [[nodiscard]] Bytes bytes() const {
    Bytes out = *encode_preamble(header_);
    append_u64(out, header_size_);
    out.insert(out.end(), header_bytes_, 0x11);
    append_u64(out, index_size_);
    out.insert(out.end(), index_bytes_, 0x22);
    return out;
  }

 private:
  SecureHeader header_ = [] {
    SecureHeader header;
    header.salt = filled_salt(0xAA);
    header.file_uuid.bytes.fill(0xBB);
    return header;
  }();
  std::uint64_t header_size_ = 0, header_bytes_ = 0, index_size_ = 0, index_bytes_ = 0;
};

AppError read_error(std::string text) { return AppError(StorageError::ReadError, std::move(text)); }
AppError limit_error(std::string text) { return AppError(FormatError::DeserializationError, std::move(text)); }

// What a small reader gives at one cut of the file.
enum class Got { Error, Absent, Value };

template <class T>
Got outcome(const Result<std::optional<T>>& result) {
  if (!result) return Got::Error;
  return *result ? Got::Value : Got::Absent;
}

TEST_F(VaultFileTest, ReadsEveryPartOfAWholeFile) {
  const auto layout = Layout().recovery(filled_salt(0xCC), Bytes{7, 8, 9}).header(40).index(50);
  auto bytes = layout.bytes();
  bytes.insert(bytes.end(), 10, 0x33);  // entry data follows the index
  const auto path = write(bytes);

  EXPECT_EQ(read_file_uuid_from_file(path), layout.secure_header().file_uuid);
  EXPECT_EQ(read_recovery_salt_from_file(path).value(), std::optional(filled_salt(0xCC)));
  EXPECT_EQ(read_master_key_wrapped_from_file(path).value(), std::optional(Bytes{7, 8, 9}));
  EXPECT_EQ(read_secure_file(path), Bytes(40, 0x11));
  EXPECT_EQ(read_index_from_file(path), Bytes(50, 0x22));
}

// The file above cut at every length: each reader's error at each region.
// Layout: fixed preamble 0-54, recovery flag 54, recovery salt 55-87,
// wrapped-key flag 87, length 88-92, key 92-95, H 95-103, header 103-143,
// I 143-151, index 151-201. "{}" is the cut file's size.
TEST_F(VaultFileTest, EveryTruncationGivesTheErrorOfTheReaderThatMeetsIt) {
  struct Case {
    std::uint64_t end;  // cuts below this length and above the previous row's
    std::string secure;  // empty: read_secure_file succeeds
    std::string index;
    Got recovery_salt, wrapped_key;
  };
  const std::string eof = ": unexpected end of file";
  const std::vector<Case> cases = {
      {4, "Error reading magic (file size: {})" + eof, "Error reading magic in read_index_from_file (file size: {})" + eof, Got::Error, Got::Error},
      {6, "Error reading version (file size: {})" + eof, "Error reading version in read_index_from_file (file size: {})" + eof, Got::Error, Got::Error},
      {38, "Error reading salt (file size: {})" + eof, "Error reading salt in read_index_from_file (file size: {})" + eof, Got::Error, Got::Error},
      {54, "Error reading file_uuid (file size: {})" + eof, "Error reading file_uuid in read_index_from_file (file size: {})" + eof, Got::Error, Got::Error},
      {55, "Error reading recovery_salt flag (file size: {})" + eof,
       "Error reading recovery_salt flag in read_index_from_file (file size: {})" + eof, Got::Absent, Got::Absent},
      {87, "read_secure_file: truncated file, cannot read recovery_salt (pos: 55, file size: {})",
       "read_index_from_file: truncated, cannot read recovery_salt (pos: 55, file size: {})", Got::Error, Got::Absent},
      {88, "read_secure_file: truncated file, cannot read wrapped_key flag (pos: 87, file size: {})",
       "read_index_from_file: truncated, cannot read wrapped_key flag (pos: 87, file size: {})", Got::Value, Got::Absent},
      {92, "read_secure_file: truncated file, cannot read wrapped_key size (pos: 88, file size: {})",
       "read_index_from_file: truncated, cannot read wrapped_key size (pos: 88, file size: {})", Got::Value, Got::Error},
      {95, "read_secure_file: cannot read wrapped_key bytes (size: 3, pos: 92, file size: {})",
       "read_index_from_file: cannot read wrapped_key payload (size: 3, pos: 92, file size: {})", Got::Value, Got::Error},
      {103, "Error reading header size in read_secure_file (pos: 95, file size: {})" + eof,
       "Error reading header size in read_index_from_file (pos: 95, file size: {})" + eof, Got::Value, Got::Value},
      {143, "read_secure_file: header size (40) past end of file (pos: 103, file size: {})",
       "Error reading index size in read_index_from_file (pos: 143, file size: {})" + eof, Got::Value, Got::Value},
      {151, "", "Error reading index size in read_index_from_file (pos: 143, file size: {})" + eof, Got::Value, Got::Value},
      {201, "", "Index size (50) past end of file (pos: 151, file size: {})", Got::Value, Got::Value},
      {202, "", "", Got::Value, Got::Value},
  };
  const Bytes whole = Layout().recovery(filled_salt(0xCC), Bytes{7, 8, 9}).header(40).index(50).bytes();
  std::uint64_t cut = 0;
  for (const auto& c : cases) {
    for (; cut < c.end; ++cut) {
      SCOPED_TRACE("file size " + std::to_string(cut));
      const auto path = write(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)));
      auto secure = read_secure_file(path);
      auto index = read_index_from_file(path);
      if (c.secure.empty()) EXPECT_TRUE(secure);
      else EXPECT_EQ(secure.error(), read_error(fill_text(c.secure, cut)));
      if (c.index.empty()) EXPECT_TRUE(index);
      else EXPECT_EQ(index.error(), read_error(fill_text(c.index, cut)));
      EXPECT_EQ(read_file_uuid_from_file(path).has_value(), cut >= 54);
      EXPECT_EQ(outcome(read_recovery_salt_from_file(path)), c.recovery_salt);
      EXPECT_EQ(outcome(read_master_key_wrapped_from_file(path)), c.wrapped_key);
    }
  }
}

TEST_F(VaultFileTest, WrappedKeyLengthBoundary) {
  for (std::uint64_t size : {std::uint64_t{0}, max_wrapped_key_size - 1, max_wrapped_key_size}) {
    SCOPED_TRACE(size);
    const auto path = write(Layout().recovery(filled_salt(1), Bytes(size, 5)).header(2).index(1).bytes());
    EXPECT_EQ(read_secure_file(path), Bytes(2, 0x11));
    EXPECT_EQ(read_index_from_file(path), Bytes(1, 0x22));
    EXPECT_EQ(read_master_key_wrapped_from_file(path).value(), std::optional(Bytes(size, 5)));
  }
  // One byte over: refused by both bounded readers, each with its own text,
  // and read as it stands by the unbounded one.
  Bytes over = *encode_preamble(Layout().recovery(filled_salt(1), Bytes(max_wrapped_key_size, 5)).secure_header());
  over[88] = 0x01;  // the u32 length 0x00100000 becomes 0x00100001
  over.push_back(5);
  append_u64(over, 0);
  append_u64(over, 0);
  const auto path = write(over);
  EXPECT_EQ(read_secure_file(path).error(), limit_error("Invalid wrapped_key size: 1048577 bytes (max 1MB)"));
  EXPECT_EQ(read_index_from_file(path).error(),
            limit_error("Invalid wrapped_key size in read_index_from_file: 1048577 bytes (max 1MB)"));
  EXPECT_EQ(read_master_key_wrapped_from_file(path)->value().size(), max_wrapped_key_size + 1);
}

TEST_F(VaultFileTest, HeaderAndIndexLengthBoundaries) {
  // Declared lengths in a 71-byte file (no recovery, H at 55, I at 63):
  // within the limit a length is checked against the file, not allocated.
  struct Case {
    Layout layout;
    Result<Bytes> (*reader)(const std::filesystem::path&);
    std::optional<AppError> error;
  };
  const auto header = [](std::uint64_t size) { return Layout().header(size, 0); };
  const auto index = [](std::uint64_t size) { return Layout().index(size, 0); };
  const std::vector<Case> cases = {
      {header(0), read_secure_file, std::nullopt},
      {header(max_header_size - 1), read_secure_file,
       read_error("read_secure_file: header size (10485759) past end of file (pos: 63, file size: 71)")},
      {header(max_header_size), read_secure_file,
       read_error("read_secure_file: header size (10485760) past end of file (pos: 63, file size: 71)")},
      {header(max_header_size + 1), read_secure_file,
       limit_error("Invalid header size in read_secure_file: 10485761 bytes (max 10MB, offset: 55, file size: 71)")},
      {index(0), read_index_from_file, std::nullopt},
      {index(max_index_size - 1), read_index_from_file,
       read_error("Index size (104857599) past end of file (pos: 71, file size: 71)")},
      {index(max_index_size), read_index_from_file,
       read_error("Index size (104857600) past end of file (pos: 71, file size: 71)")},
      {index(max_index_size + 1), read_index_from_file, limit_error("Invalid index size: 104857601 bytes (max 100MB)")},
  };
  for (const auto& c : cases) {
    auto result = c.reader(write(c.layout.bytes()));
    if (c.error) EXPECT_EQ(result.error(), *c.error);
    else EXPECT_EQ(result, Bytes{});
  }
  // The largest header, really present.
  EXPECT_EQ(read_secure_file(write(Layout().header(max_header_size).bytes()))->size(), max_header_size);
}

TEST_F(VaultFileTest, TheIndexReaderSkipsTheHeaderUpToTheSeekBound) {
  auto with_header_size = [&](std::uint64_t size) {
    return read_index_from_file(write(Layout().header(size, 0).bytes()));
  };
  // Past the end but seekable: the index length then cannot be read.
  EXPECT_EQ(with_header_size(1000).error(),
            read_error("Error reading index size in read_index_from_file (pos: 1063, file size: 71): unexpected end of file"));
  EXPECT_EQ(with_header_size(max_seek_size + 1).error(),
            read_error("header blob too large for seek in read_index_from_file: 9223372036854775808 bytes "
                       "(max: 9223372036854775807)"));
  auto at_bound = with_header_size(max_seek_size);  // 63 + 2^63 - 1 is past what a seek can reach
  ASSERT_FALSE(at_bound);
  EXPECT_TRUE(at_bound.error().is(StorageError::ReadError));
  EXPECT_TRUE(at_bound.error().text().starts_with(
      "seek past header in read_index_from_file (size: 9223372036854775807, pos: 63, file size: 71): "));
}

template <auto Reader>
std::optional<AppError> error_of(const std::filesystem::path& path) {
  auto result = Reader(path);
  if (result) return std::nullopt;
  return result.error();
}

TEST_F(VaultFileTest, BadMagicAndVersionsAreRefusedByEveryReader) {
  const std::vector<std::pair<std::string, std::optional<AppError> (*)(const std::filesystem::path&)>> readers = {
      {"file_uuid", error_of<read_file_uuid_from_file>},
      {"recovery_salt", error_of<read_recovery_salt_from_file>},
      {"wrapped_key", error_of<read_master_key_wrapped_from_file>},
      {"secure_file", error_of<read_secure_file>},
      {"index", error_of<read_index_from_file>},
  };
  const Bytes good = Layout().recovery(filled_salt(1), Bytes{1}).header(1).index(1).bytes();
  struct Case {
    std::size_t at;
    std::uint8_t value;
    AppError error;
  };
  const std::vector<Case> cases = {
      {3, 'X', AppError(FormatError::InvalidMagicNumber)},
      {4, 3, AppError(FormatError::UnsupportedVersion, std::uint16_t{3})},
      {4, 5, AppError(FormatError::UnsupportedVersion, std::uint16_t{5})},
  };
  for (const auto& c : cases) {
    Bytes bad = good;
    bad[c.at] = c.value;
    const auto path = write(bad);
    for (const auto& [name, reader] : readers) EXPECT_EQ(reader(path), c.error) << name;
  }
}

TEST_F(VaultFileTest, RecoveryFlagsOtherThanOneMeanAbsent) {
  // Recovery flag 2: the header length starts right after it, at 55.
  Bytes flag2 = Layout().header(4).index(2).bytes();
  flag2[54] = 2;
  // Recovery flag 1 with wrapped-key flag 0 or 2: the header length starts at 88.
  Bytes key_flag0 = Layout().recovery(filled_salt(3)).header(4).index(2).bytes();
  Bytes key_flag2 = key_flag0;
  key_flag2[87] = 2;
  for (const auto& bytes : {flag2, key_flag0, key_flag2}) {
    const auto path = write(bytes);
    EXPECT_EQ(read_secure_file(path), Bytes(4, 0x11));
    EXPECT_EQ(read_index_from_file(path), Bytes(2, 0x22));
    EXPECT_EQ(read_master_key_wrapped_from_file(path).value(), std::optional<Bytes>());
  }
  EXPECT_EQ(read_recovery_salt_from_file(write(flag2)).value(), std::optional<Salt>());
  EXPECT_EQ(read_recovery_salt_from_file(write(key_flag2)).value(), std::optional(filled_salt(3)));
}

TEST_F(VaultFileTest, MissingFileIsAReadError) {
  auto result = read_secure_file(dir_ / "missing.qolty");
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error(), read_error(io_error_text(ENOENT)));
  EXPECT_EQ(read_file_uuid_from_file(dir_ / "missing.qolty").error(), result.error());
}

// Files written by an independent implementation, cut inside a region.
TEST_F(VaultFileTest, TruncatedFixturesGiveTheirExpectedTexts) {
  const char* fixtures = std::getenv("VANTORO_FIXTURES");
  ASSERT_NE(fixtures, nullptr);
  const std::filesystem::path root = std::filesystem::path(fixtures) / "public";
  const auto header = dir_ / "header.qolty";
  const auto index = dir_ / "index.qolty";
  std::filesystem::copy_file(root / "truncated-header" / "Work.qolty", header);
  std::filesystem::copy_file(root / "truncated-index" / "Family.qolty", index);
  EXPECT_EQ(read_secure_file(header).error(),
            read_error("read_secure_file: header size (378) past end of file (pos: 96, file size: 446)"));
  EXPECT_EQ(read_index_from_file(index).error(), read_error("Index size (1619) past end of file (pos: 410, file size: 1929)"));
}

}  // namespace
}  // namespace vantoro::format
