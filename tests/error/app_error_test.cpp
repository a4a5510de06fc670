#include "error/app_error.hpp"

#include <gtest/gtest.h>

namespace vantoro {
namespace {

const Uuid sample_id = *Uuid::parse("13E075B0-1821-4CA6-BBFB-9ED9D2AD5279");

struct TextCase {
  AppError error;
  std::string display;
  std::string debug;
};

// One kind of every payload type and every family, with both texts.
TEST(AppErrorTexts, DisplayAndDebugForms) {
  const TextCase cases[] = {
      {AppError(CryptoError::InvalidKeyLength, std::uint64_t{16}), "Crypto error: Invalid key length: 16 bytes",
       "Crypto(InvalidKeyLength(16))"},
      {AppError(CryptoError::NoMasterKey), "Crypto error: No master key available", "Crypto(NoMasterKey)"},
      {AppError(FormatError::InvalidLength, std::uint32_t{7}), "Format error: Invalid length: 7",
       "Format(InvalidLength(7))"},
      {AppError(FormatError::UnsupportedVersion, std::uint16_t{3}), "Format error: Unsupported format version: 3",
       "Format(UnsupportedVersion(3))"},
      {AppError(FormatError::InvalidMagic, std::uint32_t{1414745937}), "Format error: Invalid magic number: 1414745937",
       "Format(InvalidMagic(1414745937))"},
      {AppError(FormatError::DuplicateEntry, sample_id),
       "Format error: Duplicate entry: 13e075b0-1821-4ca6-bbfb-9ed9d2ad5279",
       "Format(DuplicateEntry(13e075b0-1821-4ca6-bbfb-9ed9d2ad5279))"},
      {AppError(StorageError::FileNotFound, "my \"safe\" vault.qolty"),
       "Storage error: File not found: my \"safe\" vault.qolty",
       "Storage(FileNotFound(\"my \\\"safe\\\" vault.qolty\"))"},
      {AppError(StorageError::FsyncError), "Storage error: fsync failed", "Storage(FsyncError)"},
      {AppError(ValidationError::InvalidCvv, "12"), "Validation error: Invalid CVV: 12", "Validation(InvalidCvv(\"12\"))"},
      {AppError(ServiceError::VaultLocked), "Service error: Vault is locked", "Service(VaultLocked)"},
      {AppError(ServiceError::SyncAuthEmailRequired), "Service error: settings.sync.account.emailRequired",
       "Service(SyncAuthEmailRequired)"},
      {AppError(ServiceError::JournalError, "x"), "Service error: History journal error: x",
       "Service(JournalError(\"x\"))"},
      {AppError(UserError::IncorrectPassword), "User error: Incorrect password", "User(IncorrectPassword)"},
      {AppError(ImportExportError::IncompatibleVersion, "9"), "Import/export error: Incompatible version: 9",
       "ImportExport(IncompatibleVersion(\"9\"))"},
      {AppError(SystemError::DeserializationError, "bad"), "System error: Deserialization error: bad",
       "System(DeserializationError(\"bad\"))"},
      {AppError::unknown("boom"), "Unknown error: boom", "Unknown(\"boom\")"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.error.display(), c.display);
    EXPECT_EQ(c.error.debug(), c.debug);
  }
}

TEST(AppErrorTexts, DebugFormEscapes) {
  const std::pair<std::string, std::string> cases[] = {
      {"a\"b\\c", R"("a\"b\\c")"},
      {std::string("\n\r\t\0", 4), R"("\n\r\t\0")"},
      {"\x01\x7f", R"("\u{1}\u{7f}")"},
      {"\u00a0\u200b\u2028\u0301", R"("\u{a0}\u{200b}\u{2028}\u{301}")"},
      {"Café ☕ 日本 😀", "\"Café ☕ 日本 😀\""},
      {"bad \xff byte", R"("bad \xff byte")"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(debug_quoted(text), expected);
}

TEST(AppErrorCause, FamiliesReportTheirValueUnknownHasNone) {
  AppError error(StorageError::ReadError, "short");
  EXPECT_EQ(error.cause_display(), "Read error: short");
  EXPECT_EQ(error.cause_debug(), "ReadError(\"short\")");
  EXPECT_FALSE(AppError::unknown("x").cause_display().has_value());
}

TEST(AppErrorKinds, ComparedByFamilyAndKind) {
  AppError error(FormatError::SerializationError, "x");
  EXPECT_TRUE(error.is(FormatError::SerializationError));
  EXPECT_FALSE(error.is(SystemError::SerializationError));
  EXPECT_FALSE(error.is(FormatError::DeserializationError));
  EXPECT_EQ(error.text(), "x");
}

}  // namespace
}  // namespace vantoro
