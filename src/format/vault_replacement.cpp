#include "format/vault_replacement.hpp"

#include <unistd.h>

#include <system_error>
#include <utility>

#include "format/text_fill.hpp"

namespace vantoro::format {
namespace {

constexpr std::size_t buffer_capacity = std::size_t{1} << 20;

// The file a save really replaces: the target of a symbolic link.
std::filesystem::path resolve_target(const std::filesystem::path& vault_path) {
  std::error_code ec;
  if (!std::filesystem::is_symlink(vault_path, ec)) return vault_path;
  auto target = std::filesystem::canonical(vault_path, ec);
  return ec ? vault_path : target;
}

std::filesystem::path directory_of(const std::filesystem::path& path) {
  return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

AppError write_error(std::string text) { return AppError(StorageError::WriteError, std::move(text)); }

}  // namespace

std::filesystem::path VaultReplacement::temp_path_for(const std::filesystem::path& vault_path) {
  auto temp = vault_path;
  temp += ".save-tmp";
  return temp;
}

Result<VaultReplacement> VaultReplacement::create(const std::filesystem::path& vault_path, const SaveSteps& steps) {
  if (!vault_path.has_filename()) return std::unexpected(write_error(io_error_text(ENOENT)));
  auto target = resolve_target(vault_path);
  auto temp = temp_path_for(target);
  auto file = steps.create(temp, target);
  if (!file) {
    ::unlink(temp.c_str());  // create may have failed after making it
    return std::unexpected(std::move(file.error()));
  }
  return VaultReplacement(std::move(target), std::move(temp), std::move(*file), steps);
}

VaultReplacement::VaultReplacement(std::filesystem::path target, std::filesystem::path temp, PosixFile file,
                                   const SaveSteps& steps)
    : target_(std::move(target)), temp_(std::move(temp)), file_(std::move(file)), steps_(&steps) {
  buffer_.reserve(buffer_capacity);
}

VaultReplacement::VaultReplacement(VaultReplacement&& other) noexcept
    : target_(std::move(other.target_)),
      temp_(std::exchange(other.temp_, {})),
      file_(std::move(other.file_)),
      steps_(other.steps_),
      buffer_(std::move(other.buffer_)),
      buffer_start_(other.buffer_start_) {}

VaultReplacement::~VaultReplacement() {
  file_.reset();
  if (!temp_.empty()) ::unlink(temp_.c_str());
}

Result<void> VaultReplacement::flush() {
  if (buffer_.empty()) return {};
  if (auto written = steps_->write(*file_, buffer_start_, buffer_); !written) return written;
  buffer_start_ += buffer_.size();
  buffer_.clear();
  return {};
}

Result<void> VaultReplacement::write(std::span<const std::uint8_t> bytes) {
  if (buffer_.size() + bytes.size() > buffer_capacity) {
    if (auto flushed = flush(); !flushed) return flushed;
  }
  if (bytes.size() < buffer_capacity) {
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    return {};
  }
  if (auto written = steps_->write(*file_, buffer_start_, bytes); !written) return written;
  buffer_start_ += bytes.size();
  return {};
}

Result<void> VaultReplacement::write_u64(std::uint64_t value) {
  std::array<std::uint8_t, 8> bytes{};
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
  return write(bytes);
}

Result<void> VaultReplacement::move_to(std::uint64_t offset) {
  if (offset == position()) return {};
  if (auto flushed = flush(); !flushed) return flushed;
  buffer_start_ = offset;
  return {};
}

Result<void> VaultReplacement::commit() {
  const std::uint64_t length = position();
  if (auto flushed = flush(); !flushed) return flushed;
  if (auto cut = steps_->truncate(*file_, length); !cut) {
    return std::unexpected(
        write_error(fill_text("Could not truncate file at position {}: {}", length, cut.error().text())));
  }
  if (auto synced = steps_->sync(*file_); !synced) {
    return std::unexpected(
        write_error(fill_text("Could not sync file (final position: {}): {}", length, synced.error().text())));
  }
  if (auto closed = file_->close(); !closed) return closed;
  if (auto renamed = steps_->rename(temp_, target_); !renamed) return renamed;
  temp_.clear();
  return steps_->sync_directory(directory_of(target_));
}

}  // namespace vantoro::format
