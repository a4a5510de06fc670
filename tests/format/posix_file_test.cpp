#include "format/posix_file.hpp"

#include "temp_dir.hpp"

#include <cerrno>
#include <vector>

namespace vantoro::format {
namespace {

namespace fs = std::filesystem;

using PosixFileTest = testing::TempDirTest;

TEST_F(PosixFileTest, WritesThenReadsSequentiallyAndAtOffsets) {
  const fs::path path = dir_ / "a";
  {
    auto file = PosixFile::create(path, 0600);
    ASSERT_TRUE(file);
    const std::vector<std::uint8_t> bytes = {1, 2, 3, 4, 5, 6};
    ASSERT_TRUE(file->write_all(bytes));
    ASSERT_TRUE(file->write_all_at(1, std::vector<std::uint8_t>{9}));
    ASSERT_TRUE(file->truncate(5));
    ASSERT_TRUE(file->sync());
    ASSERT_TRUE(file->close());
  }
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

  auto file = PosixFile::open_read(path);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->size(), 5u);
  std::vector<std::uint8_t> two(2);
  ASSERT_TRUE(file->read_exact(two));
  EXPECT_EQ(two, (std::vector<std::uint8_t>{1, 9}));
  EXPECT_EQ(file->skip(2), 4u);
  EXPECT_EQ(file->position(), 4u);
  ASSERT_TRUE(file->read_exact_at(2, two));
  EXPECT_EQ(two, (std::vector<std::uint8_t>{3, 4}));
  EXPECT_EQ(file->position(), 4u);  // pread leaves the position alone
}

TEST_F(PosixFileTest, ShortReadsFailWithTheEndOfFileText) {
  const fs::path path = dir_ / "short";
  ASSERT_TRUE(PosixFile::create(path, 0600)->write_all(std::vector<std::uint8_t>{7, 7, 7}));
  auto file = PosixFile::open_read(path);
  ASSERT_TRUE(file);
  std::vector<std::uint8_t> four(4);
  EXPECT_EQ(file->read_exact(four).error(), AppError(StorageError::ReadError, "unexpected end of file"));
  EXPECT_EQ(file->read_exact_at(1, four).error(), AppError(StorageError::ReadError, "unexpected end of file"));
  ASSERT_TRUE(file->seek(100));  // past the end is allowed; reading there is not
  EXPECT_FALSE(file->read_exact(four));
  EXPECT_EQ(file->seek(std::uint64_t{1} << 63).error(), AppError(StorageError::ReadError, io_error_text(EINVAL)));
}

TEST_F(PosixFileTest, SystemFailuresCarryTheSystemTextAndTheModesKind) {
  EXPECT_EQ(PosixFile::open_read(dir_ / "missing").error(),
            AppError(StorageError::ReadError, io_error_text(ENOENT)));
  EXPECT_EQ(PosixFile::create(dir_ / "no" / "dir", 0600).error(),
            AppError(StorageError::WriteError, io_error_text(ENOENT)));
  EXPECT_EQ(rename_file(dir_ / "missing", dir_ / "b").error(),
            AppError(StorageError::WriteError, io_error_text(ENOENT)));
  EXPECT_TRUE(sync_directory(dir_));
  EXPECT_EQ(sync_directory(dir_ / "missing").error(), AppError(StorageError::WriteError, io_error_text(ENOENT)));
}

TEST_F(PosixFileTest, RenameReplacesTheTarget) {
  ASSERT_TRUE(PosixFile::create(dir_ / "new", 0600)->write_all(std::vector<std::uint8_t>{1}));
  ASSERT_TRUE(PosixFile::create(dir_ / "old", 0600)->write_all(std::vector<std::uint8_t>{2, 2}));
  ASSERT_TRUE(rename_file(dir_ / "new", dir_ / "old"));
  EXPECT_EQ(fs::file_size(dir_ / "old"), 1u);
  EXPECT_FALSE(fs::exists(dir_ / "new"));
}

}  // namespace
}  // namespace vantoro::format
