// Opening a vault: integrity check, master key, header, index, entry cache,
// side blocks and log replay, in that order; the first failure ends the open.
#include <string>

#include "crypto/seal.hpp"
#include "format/posix_file.hpp"
#include "format/preamble.hpp"
#include "format/secure_format.hpp"
#include "format/vault_file.hpp"
#include "format/vault_layout.hpp"

namespace vantoro::format {
namespace {

constexpr std::string_view salt_mismatch_text =
    "Salt mismatch: decrypted header salt does not match preamble. Vault may be corrupt.";
constexpr std::string_view uuid_mismatch_text =
    "file_uuid mismatch: decrypted header does not match preamble. Vault may be corrupt.";

// The smallest preamble plus the header length field.
constexpr std::uint64_t min_header_end = fixed_preamble_size + 1 + 8;

std::span<const std::uint8_t> text_bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// The preamble salt, after checking magic and version.
Result<Salt> read_preamble_salt(const std::filesystem::path& path) {
  auto file = PosixFile::open_read(path);
  if (!file) return std::unexpected(file.error());
  PreambleWalk walk(*file);
  if (auto magic = walk.read_magic(); !magic) return std::unexpected(magic.error());
  if (auto version = walk.read_supported_version(); !version) return std::unexpected(version.error());
  return walk.read_salt();
}

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

}  // namespace

Result<void> verify_file_integrity(const std::filesystem::path& path) {
  auto file = PosixFile::open_read(path);
  if (!file) return std::unexpected(file.error());
  PreambleWalk walk(*file);
  if (auto magic = walk.read_magic(); !magic) return magic;
  if (auto version = walk.read_supported_version(); !version) return version;
  auto size = file->size();
  if (!size) return std::unexpected(size.error());
  if (*size < min_vault_file_size) return fail(FormatError::CorruptedData);

  auto salt = walk.read_salt();
  if (!salt) return std::unexpected(salt.error());
  if (*salt == Salt{}) return fail(FormatError::CorruptedData);
  if (auto uuid = walk.read_file_uuid(); !uuid) return std::unexpected(uuid.error());
  auto recovery = walk.read_recovery_fields();
  if (!recovery) return std::unexpected(recovery.error());
  if (recovery->wrapped_key_size) {
    if (auto skipped = walk.skip(*recovery->wrapped_key_size); !skipped) return skipped;
  }
  auto header_size = walk.read_u64();
  if (!header_size) return std::unexpected(header_size.error());
  if (*header_size == 0 || *header_size > max_header_size) return fail(FormatError::CorruptedData);
  if (*size < *header_size + min_header_end) return fail(FormatError::CorruptedData);
  return {};
}

Result<void> SecureVaultFormat::open_vault(const std::filesystem::path& path, std::string_view passphrase) {
  entry_cache_.clear();
  index_.clear();
  path_ = path;
  if (auto checked = verify_file_integrity(path); !checked) return checked;

  auto salt = read_preamble_salt(path);
  if (!salt) return std::unexpected(salt.error());
  if (auto derived = keys_.derive_master_key(text_bytes(passphrase), *salt); !derived) return derived;

  auto file_uuid = read_file_uuid_from_file(path);
  if (!file_uuid) return std::unexpected(file_uuid.error());
  auto sealed_header = read_secure_file(path);
  if (!sealed_header) return std::unexpected(sealed_header.error());
  auto header = decrypt_header(*sealed_header, *file_uuid, keys_);
  if (!header) return std::unexpected(header.error());
  header_ = std::move(*header);
  if (header_.salt != *salt) return fail(FormatError::DeserializationError, std::string(salt_mismatch_text));
  if (header_.file_uuid != *file_uuid) return fail(FormatError::DeserializationError, std::string(uuid_mismatch_text));
  if (auto reconciled = reconcile_recovery_metadata_from_preamble(); !reconciled) return reconciled;

  auto sealed_index = read_index_from_file(path);
  if (!sealed_index) return std::unexpected(sealed_index.error());
  if (auto opened = decrypt_index(*sealed_index, header_.file_uuid); !opened) return opened;
  if (auto cached = load_entries_into_cache(); !cached) return cached;

  if (header_.format_version >= vault_format_version) {
    if (auto loaded = load_v4_blocks(path, *file_uuid); !loaded) return loaded;
    if (!reuse_index_) reuse_index_.emplace();
    initialize_reuse_index();
  } else {
    tables_ = SideTables::defaults();
  }

  wal_service_.emplace(path);
  (void)services::recover_from_wal(&*wal_service_, keys_, header_.file_uuid, index_);  // never fails the open
  return {};
}

Result<crypto::Bytes> SecureVaultFormat::encrypt_index(std::span<const std::uint8_t> encoded_index) const {
  auto key = keys_.derive_index_key(header_.file_uuid);
  if (!key) return std::unexpected(key.error());
  return crypto::seal_blob(*key, encoded_index);
}

Result<void> SecureVaultFormat::decrypt_index(std::span<const std::uint8_t> sealed, const Uuid& file_uuid) {
  if (auto length = crypto::check_blob_length(sealed, "Encrypted index too short"); !length) return length;
  auto key = keys_.derive_index_key(file_uuid);
  if (!key) return std::unexpected(key.error());
  auto plaintext = crypto::open_blob(*key, sealed);
  if (!plaintext) return std::unexpected(plaintext.error());
  auto decoded = BTreeIndex::deserialize(*plaintext);
  if (!decoded) {
    const std::string text = decoded.error().display();
    if (contains(text, "tag for enum") || (contains(text, "tag") && contains(text, "not valid"))) {
      return fail(FormatError::DeserializationError, "Index format mismatch: " + text +
                                                         ". The vault may come from an incompatible app build. Detail: " +
                                                         text);
    }
    return std::unexpected(decoded.error());
  }
  index_ = std::move(*decoded);
  return {};
}

Result<void> SecureVaultFormat::reconcile_recovery_metadata_from_preamble() {
  std::error_code ec;
  if (path_.empty() || !std::filesystem::exists(path_, ec)) return {};
  auto recovery_salt = read_recovery_salt_from_file(path_);
  if (!recovery_salt) return std::unexpected(recovery_salt.error());
  if (!*recovery_salt) return {};
  auto wrapped = read_master_key_wrapped_from_file(path_);
  if (!wrapped) return std::unexpected(wrapped.error());
  if (!*wrapped || (*wrapped)->empty()) return {};
  if (header_.recovery_salt && header_.master_key_wrapped_with_recovery && header_.recovery_enabled) return {};
  header_.recovery_salt = **recovery_salt;
  header_.master_key_wrapped_with_recovery = std::move(**wrapped);
  header_.recovery_enabled = true;
  return {};
}

void SecureVaultFormat::initialize_reuse_index() {
  if (!reuse_index_) return;
  auto master = keys_.master_key();
  if (!master) return;
  reuse_index_->initialize(crypto::derive_reuse_hmac_key(master->get(), header_.file_uuid));
}

}  // namespace vantoro::format
