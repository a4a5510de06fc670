#pragma once

#include <cstdint>

namespace vantoro {

// The kinds of each error family, in their declared order. The display text,
// the name and the payload type of every kind sit in one table per family
// (error_tables.cpp), indexed by these values.

enum class CryptoError : std::uint8_t {
  KeyDerivationFailed, EncryptionFailed, DecryptionFailed, EncryptionError, DecryptionError,
  InvalidKeyLength, InvalidSaltLength, InvalidSalt, InvalidKdfParams, InvalidWrappedKey,
  WeakPassphrase, NoMasterKey, NoDataKey, InvalidNonce, InvalidTag, RandomGenerationFailed,
};

enum class FormatError : std::uint8_t {
  UnknownFormat, UnsupportedVersion, InvalidMagic, InvalidMagicNumber, InvalidChecksum,
  CorruptedHeader, CorruptedIndex, CorruptedData, CorruptedWal, InvalidOffset, InvalidLength,
  InvalidUuid, InvalidTimestamp, CompressionError, DecompressionError, SerializationError,
  DeserializationError, DuplicateEntry, OverlappingEntries, WalWriteError, WalReadError,
  WalRecoveryError, WalDecryptionError,
};

enum class StorageError : std::uint8_t {
  FileNotFound, ReadError, WriteError, CreateError, DeleteError, InsufficientSpace,
  InsufficientPermissions, FileLocked, BackupError, RestoreError, FsyncError, WalFileNotFound,
  WalFileCorrupted, IntegrityError, SafeCommitError,
};

enum class ValidationError : std::uint8_t {
  MissingRequiredField, InvalidFieldFormat, ValueOutOfRange, InvalidEntryType, InvalidUrl,
  InvalidEmail, InvalidCardNumber, InvalidExpiryDate, InvalidCvv,
};

enum class ServiceError : std::uint8_t {
  VaultNotOpen, VaultAlreadyOpen, VaultLocked, EntryNotFound, EntryAlreadyExists, SearchFailed,
  PasswordGenerationFailed, ClipboardError, JournalError, AutoLocked, SessionExpired,
  SettingsError, NotImplemented, InvalidField, FolderNotFound, FolderAlreadyExists,
  FolderInvalidName, RecoveryNotEnabled, FolderNotEmpty, InvalidFolderOperation,
  BiometricNotAvailable, BiometricNotEnrolled, BiometricUserCancel, BiometricUserFallback,
  BiometricSystemCancel, BiometricPasscodeNotSet, BiometricLockout, BiometricUnknown,
  KeychainError, InvalidInput, SyncAuthEmailRequired, SyncAuthPasswordRequired,
  SyncAuthPasswordTooShort, SyncDeviceNameRequired,
};

enum class UserError : std::uint8_t {
  UserNotFound, UserAlreadyExists, NoCurrentUser, IncorrectPassword, AccessDenied, SessionExpired,
};

enum class ImportExportError : std::uint8_t {
  UnsupportedImportFormat, UnsupportedExportFormat, CorruptedImportFile, CorruptedExportFile,
  IncompatibleVersion,
};

enum class SystemError : std::uint8_t {
  TimestampError, UuidGenerationError, SerializationError, DeserializationError,
  ConfigurationError, LoggingError, NotificationError,
};

// The nine variants of AppError, in declared order; each of the first eight
// holds a kind of the family enum of the same name.
enum class ErrorFamily : std::uint8_t {
  Crypto, Format, Storage, Validation, Service, User, ImportExport, System, Unknown,
};

}  // namespace vantoro
