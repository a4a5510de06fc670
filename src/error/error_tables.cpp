#include "error/error_tables.hpp"

#include <array>

namespace vantoro::error {
namespace {

using P = PayloadType;

constexpr KindInfo crypto_kinds[] = {
    {"KeyDerivationFailed", "Key derivation failed", P::None},
    {"EncryptionFailed", "Encryption failed", P::None},
    {"DecryptionFailed", "Decryption failed", P::None},
    {"EncryptionError", "Encryption error: {}", P::Text},
    {"DecryptionError", "Decryption error: {}", P::Text},
    {"InvalidKeyLength", "Invalid key length: {} bytes", P::Count},
    {"InvalidSaltLength", "Invalid salt length: {} bytes", P::Count},
    {"InvalidSalt", "Invalid salt", P::None},
    {"InvalidKdfParams", "Invalid KDF parameters", P::None},
    {"InvalidWrappedKey", "Invalid wrapped key", P::None},
    {"WeakPassphrase", "Passphrase too weak", P::None},
    {"NoMasterKey", "No master key available", P::None},
    {"NoDataKey", "No data key available", P::None},
    {"InvalidNonce", "Invalid nonce", P::None},
    {"InvalidTag", "Invalid authentication tag", P::None},
    {"RandomGenerationFailed", "Random number generation failed", P::None},
};

constexpr KindInfo format_kinds[] = {
    {"UnknownFormat", "Unknown file format", P::None},
    {"UnsupportedVersion", "Unsupported format version: {}", P::U16},
    {"InvalidMagic", "Invalid magic number: {}", P::U32},
    {"InvalidMagicNumber", "Invalid magic number", P::None},
    {"InvalidChecksum", "Invalid checksum", P::None},
    {"CorruptedHeader", "Corrupted header", P::None},
    {"CorruptedIndex", "Corrupted index", P::None},
    {"CorruptedData", "Corrupted data", P::None},
    {"CorruptedWal", "Corrupted WAL", P::None},
    {"InvalidOffset", "Invalid offset: {}", P::Count},
    {"InvalidLength", "Invalid length: {}", P::U32},
    {"InvalidUuid", "Invalid UUID", P::None},
    {"InvalidTimestamp", "Invalid timestamp", P::None},
    {"CompressionError", "Compression error: {}", P::Text},
    {"DecompressionError", "Decompression error: {}", P::Text},
    {"SerializationError", "Serialization error: {}", P::Text},
    {"DeserializationError", "Deserialization error: {}", P::Text},
    {"DuplicateEntry", "Duplicate entry: {}", P::Uuid},
    {"OverlappingEntries", "Overlapping entries", P::None},
    {"WalWriteError", "WAL write error: {}", P::Text},
    {"WalReadError", "WAL read error: {}", P::Text},
    {"WalRecoveryError", "WAL recovery error: {}", P::Text},
    {"WalDecryptionError", "WAL decrypt error: {}", P::Text},
};

constexpr KindInfo storage_kinds[] = {
    {"FileNotFound", "File not found: {}", P::Text},
    {"ReadError", "Read error: {}", P::Text},
    {"WriteError", "Write error: {}", P::Text},
    {"CreateError", "File create error: {}", P::Text},
    {"DeleteError", "Delete error: {}", P::Text},
    {"InsufficientSpace", "Insufficient disk space", P::None},
    {"InsufficientPermissions", "Insufficient permissions", P::None},
    {"FileLocked", "File locked", P::None},
    {"BackupError", "Backup error: {}", P::Text},
    {"RestoreError", "Restore error: {}", P::Text},
    {"FsyncError", "fsync failed", P::None},
    {"WalFileNotFound", "WAL file not found", P::None},
    {"WalFileCorrupted", "WAL file corrupted", P::None},
    {"IntegrityError", "Integrity error: {}", P::Text},
    {"SafeCommitError", "Safe-commit failed", P::None},
};

constexpr KindInfo validation_kinds[] = {
    {"MissingRequiredField", "Missing required field: {}", P::Text},
    {"InvalidFieldFormat", "Invalid field format: {}", P::Text},
    {"ValueOutOfRange", "Value out of range: {}", P::Text},
    {"InvalidEntryType", "Invalid entry type: {}", P::Text},
    {"InvalidUrl", "Invalid URL: {}", P::Text},
    {"InvalidEmail", "Invalid email: {}", P::Text},
    {"InvalidCardNumber", "Invalid card number: {}", P::Text},
    {"InvalidExpiryDate", "Invalid expiry date: {}", P::Text},
    {"InvalidCvv", "Invalid CVV: {}", P::Text},
};

constexpr KindInfo service_kinds[] = {
    {"VaultNotOpen", "Vault is not open", P::None},
    {"VaultAlreadyOpen", "Vault is already open", P::None},
    {"VaultLocked", "Vault is locked", P::None},
    {"EntryNotFound", "Entry not found: {}", P::Text},
    {"EntryAlreadyExists", "Entry already exists: {}", P::Text},
    {"SearchFailed", "Search failed: {}", P::Text},
    {"PasswordGenerationFailed", "Password generation failed", P::None},
    {"ClipboardError", "Clipboard error: {}", P::Text},
    {"JournalError", "History journal error: {}", P::Text},
    {"AutoLocked", "Auto-locked", P::None},
    {"SessionExpired", "Session expired", P::None},
    {"SettingsError", "Settings error: {}", P::Text},
    {"NotImplemented", "Not implemented: {}", P::Text},
    {"InvalidField", "Invalid field: {}", P::Text},
    {"FolderNotFound", "Folder not found: {}", P::Text},
    {"FolderAlreadyExists", "Folder already exists: {}", P::Text},
    {"FolderInvalidName", "Invalid folder name: {}", P::Text},
    {"RecoveryNotEnabled", "Recovery is not enabled", P::None},
    {"FolderNotEmpty", "Folder is not empty: {}", P::Text},
    {"InvalidFolderOperation", "Invalid folder operation: {}", P::Text},
    {"BiometricNotAvailable", "Biometrics unavailable", P::None},
    {"BiometricNotEnrolled", "Biometrics not enrolled", P::None},
    {"BiometricUserCancel", "Biometric auth cancelled by user", P::None},
    {"BiometricUserFallback", "User chose password fallback", P::None},
    {"BiometricSystemCancel", "Biometric auth cancelled by system", P::None},
    {"BiometricPasscodeNotSet", "Device passcode not set", P::None},
    {"BiometricLockout", "Biometric lockout", P::None},
    {"BiometricUnknown", "Unknown biometric error", P::None},
    {"KeychainError", "Keychain error: {}", P::Text},
    {"InvalidInput", "Invalid input: {}", P::Text},
    {"SyncAuthEmailRequired", "settings.sync.account.emailRequired", P::None},
    {"SyncAuthPasswordRequired", "settings.sync.account.passwordRequired", P::None},
    {"SyncAuthPasswordTooShort", "settings.sync.account.passwordTooShort", P::None},
    {"SyncDeviceNameRequired", "settings.sync.account.deviceNameRequired", P::None},
};

constexpr KindInfo user_kinds[] = {
    {"UserNotFound", "User not found: {}", P::Text},
    {"UserAlreadyExists", "User already exists: {}", P::Text},
    {"NoCurrentUser", "No current user", P::None},
    {"IncorrectPassword", "Incorrect password", P::None},
    {"AccessDenied", "Access denied", P::None},
    {"SessionExpired", "Session expired", P::None},
};

constexpr KindInfo import_export_kinds[] = {
    {"UnsupportedImportFormat", "Unsupported import format: {}", P::Text},
    {"UnsupportedExportFormat", "Unsupported export format: {}", P::Text},
    {"CorruptedImportFile", "Corrupted import file", P::None},
    {"CorruptedExportFile", "Corrupted export file", P::None},
    {"IncompatibleVersion", "Incompatible version: {}", P::Text},
};

constexpr KindInfo system_kinds[] = {
    {"TimestampError", "Timestamp error", P::None},
    {"UuidGenerationError", "UUID generation error", P::None},
    {"SerializationError", "Serialization error: {}", P::Text},
    {"DeserializationError", "Deserialization error: {}", P::Text},
    {"ConfigurationError", "Configuration error: {}", P::Text},
    {"LoggingError", "Logging error: {}", P::Text},
    {"NotificationError", "Notification error: {}", P::Text},
};

const std::array<FamilyInfo, 9> families = {{
    {"Crypto", "Crypto error: {}", crypto_kinds},
    {"Format", "Format error: {}", format_kinds},
    {"Storage", "Storage error: {}", storage_kinds},
    {"Validation", "Validation error: {}", validation_kinds},
    {"Service", "Service error: {}", service_kinds},
    {"User", "User error: {}", user_kinds},
    {"ImportExport", "Import/export error: {}", import_export_kinds},
    {"System", "System error: {}", system_kinds},
    {"Unknown", "Unknown error: {}", {}},
}};

}  // namespace

const FamilyInfo& family_info(ErrorFamily family) { return families[static_cast<std::size_t>(family)]; }

}  // namespace vantoro::error
