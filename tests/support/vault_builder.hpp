#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "crypto/keys.hpp"
#include "format/secure_format.hpp"
#include "models/entry.hpp"

namespace vantoro::testing {

// One entry as the builder stores it. By default its payload is the record
// encoding of `entry`, sealed under its own id and packed after the previous
// payload; every field below changes one thing for a test.
struct BuilderEntry {
  Entry entry{};
  std::optional<encoding::Bytes> plaintext{};  // payload before sealing (legacy, JSON, garbage...)
  bool compress = false;                     // LZ4 frame around the payload, row marked compressed
  std::optional<Uuid> sealed_under{};          // seal with another id's entry key
  std::optional<encoding::Bytes> sealed{};     // store these bytes instead of a sealed payload
  std::optional<std::uint64_t> offset{};       // absolute file offset (gaps, disorder, past the end)
  bool write_payload = true;                 // false: the row points at bytes the file lacks
  bool is_deleted = false;
  std::optional<DateTime> deleted_at{};
};

// The 10-field legacy encoding and the JSON text of an entry, for payloads.
[[nodiscard]] encoding::Bytes legacy_payload(const Entry& entry);
[[nodiscard]] encoding::Bytes text_payload(std::string_view text);

// Writes real vault files with the core's own encoders and sealing: preamble,
// sealed header, sealed index, sealed payloads and the six side blocks.
// Deriving the master key (Argon2id, 64 MiB) happens once per builder.
class VaultBuilder {
 public:
  explicit VaultBuilder(std::string_view password);

  [[nodiscard]] format::SecureHeader& header() { return header_; }
  // Side tables; a table set to nothing is written as a zero-length block.
  [[nodiscard]] format::SideTables& tables() { return tables_; }

  VaultBuilder& add(BuilderEntry entry);
  VaultBuilder& add(const Entry& entry) { return add(BuilderEntry{.entry = entry}); }
  // Forgets the entries added so far (the key and header stay).
  void clear_entries() { entries_.clear(); }

  // The whole file.
  [[nodiscard]] encoding::Bytes build() const;
  void write(const std::filesystem::path& path) const;

  [[nodiscard]] const crypto::Key& master_key() const { return keys_.master_key()->get(); }

 private:
  [[nodiscard]] encoding::Bytes seal_payload(const BuilderEntry& item) const;

  crypto::KeyManager keys_;
  format::SecureHeader header_;
  format::SideTables tables_;
  std::vector<BuilderEntry> entries_;
};

}  // namespace vantoro::testing
