#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>

#include "crypto/keys.hpp"
#include "error/app_error.hpp"
#include "format/btree_index.hpp"
#include "format/wal.hpp"

namespace vantoro::services {

// The write-ahead log beside one vault file: the vault path with its
// extension replaced by "qolty.wal" (a.qolty -> a.qolty.wal, store ->
// store.qolty.wal), replaced on every append through the temporary file
// with the extension "tmp" (a.qolty.tmp). Holds the paths only: every call
// opens and closes its own handles. One writer, the open vault, under the
// storage service's lock; there is no file lock.
class WalService {
 public:
  // Builds the paths; does not touch the file system.
  explicit WalService(const std::filesystem::path& vault_path);

  [[nodiscard]] const std::filesystem::path& wal_path() const { return wal_path_; }
  [[nodiscard]] const std::filesystem::path& temp_path() const { return temp_path_; }

  // True when the file system reports metadata for the log path; any
  // failure, "not found" included, is false.
  [[nodiscard]] bool wal_exists() const;

  // The log at `path`, nothing when no file is there, or the errors of
  // format::open_wal; another read failure is
  // FormatError::WalReadError("WAL read error: <os text>").
  [[nodiscard]] static Result<std::optional<format::DbWal>> read_wal_internal(const std::filesystem::path& path,
                                                                              const crypto::Key& master_key,
                                                                              const Uuid& file_uuid);

  // Appends `operation` to the log (an unreadable existing log is returned
  // as its read error and nothing is written) and replaces the file: write
  // the temporary file, reopen it, fsync, rename over the log. The old log
  // stays intact until the rename. Errors: FormatError::WalWriteError with
  // "WAL temp file write error: ", "WAL temp file open error: " or
  // "WAL rename error: " and the OS text; StorageError::FsyncError. A failed
  // append removes its temporary file.
  [[nodiscard]] Result<void> write_operation(const format::WalOperation& operation, const crypto::Key& master_key,
                                             const Uuid& file_uuid) const;

  // Deletes the log if it exists; a missing log is fine. A failure is
  // StorageError::DeleteError("Failed to delete WAL file: <os text>").
  [[nodiscard]] Result<void> clear_wal() const;

 private:
  std::filesystem::path wal_path_;
  std::filesystem::path temp_path_;
};

// The open vault's replay of its log into its index: 0 without a service or
// without a log file; FormatError::WalRecoveryError("Could not get master
// key: No master key available") without a master key; the read errors of
// read_wal_internal; otherwise the count of format::replay_wal.
[[nodiscard]] Result<std::size_t> recover_from_wal(const WalService* wal, const crypto::KeyManager& keys,
                                                   const Uuid& file_uuid, format::BTreeIndex& index);

}  // namespace vantoro::services
