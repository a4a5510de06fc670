#pragma once

#include <filesystem>

#include "error/app_error.hpp"

namespace vantoro::storage {

// Owner of the storage service's private temporary directory: the system's
// temporary directory (TMPDIR honoured) joined with "quorvel". Made by
// create(); removed with everything in it when the manager is released.
class SecureFileManager {
 public:
  // Creates the directory and missing parents; Storage CreateError on failure.
  [[nodiscard]] static Result<SecureFileManager> create();
  // A manager for the same path that created nothing (used when create fails).
  [[nodiscard]] static SecureFileManager without_directory();

  SecureFileManager(SecureFileManager&& other) noexcept;
  SecureFileManager& operator=(SecureFileManager&&) = delete;
  SecureFileManager(const SecureFileManager&) = delete;
  ~SecureFileManager();

  [[nodiscard]] const std::filesystem::path& temp_dir() const { return temp_dir_; }

  // Deletes the directory if it exists; Storage DeleteError on failure.
  [[nodiscard]] Result<void> cleanup_temp_files() const;

 private:
  explicit SecureFileManager(std::filesystem::path temp_dir) : temp_dir_(std::move(temp_dir)) {}

  std::filesystem::path temp_dir_;  // empty once moved from
};

}  // namespace vantoro::storage
