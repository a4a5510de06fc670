#include "format/secure_header.hpp"

#include <string>

#include "crypto/random.hpp"
#include "crypto/seal.hpp"
#include "format/text_fill.hpp"
#include "record_encoding/codec.hpp"
#include "record_encoding/json_form.hpp"

namespace vantoro::format {

namespace {

constexpr std::string_view too_short_text = "Encrypted header too short";
constexpr std::string_view mismatch_text =
    "Header format mismatch: {}. The vault may come from an incompatible app build (enum tag layout). Detail: {}";
constexpr std::string_view both_failed_text = "Bincode and JSON deserialize failed: bincode={}, json={}";

// An option tag out of range means the header was written with another
// layout of its optional fields; reading it as JSON would only hide that.
bool is_tag_error(std::string_view message) {
  auto has = [&](std::string_view part) { return message.find(part) != std::string_view::npos; };
  return has("tag for enum") || (has("tag") && has("not valid"));
}

}  // namespace

SecureHeader SecureHeader::new_v4(const Uuid& device_id) {
  SecureHeader header;
  header.file_uuid = crypto::random_uuid();
  header.salt = crypto::random_array<salt_size>();
  header.created_at = DateTime::now();
  header.updated_at = header.created_at;
  header.sync_meta = sync::new_sync_meta(header.file_uuid, device_id);
  return header;
}

Result<crypto::Bytes> encrypt_header(const SecureHeader& header, const crypto::KeyManager& keys) {
  const auto plaintext = encoding::encode_record(header);
  auto key = keys.derive_header_key(header.file_uuid);
  if (!key) return std::unexpected(std::move(key.error()));
  return crypto::seal_blob(*key, plaintext);
}

Result<SecureHeader> decrypt_header(std::span<const std::uint8_t> sealed, const Uuid& file_uuid,
                                    const crypto::KeyManager& keys) {
  if (auto length = crypto::check_blob_length(sealed, too_short_text); !length) {
    return std::unexpected(std::move(length.error()));
  }
  auto key = keys.derive_header_key(file_uuid);
  if (!key) return std::unexpected(std::move(key.error()));
  auto plaintext = crypto::open_blob(*key, sealed);
  if (!plaintext) return std::unexpected(std::move(plaintext.error()));
  return decode_header(plaintext->span());
}

Result<SecureHeader> decode_header(std::span<const std::uint8_t> plaintext) {
  auto record = encoding::decode_record<SecureHeader>(plaintext);
  if (record) return std::move(*record);
  const std::string& record_error = record.error().message;
  if (is_tag_error(record_error)) {
    return fail(FormatError::DeserializationError, fill_text(mismatch_text, record_error, record_error));
  }
  auto json = encoding::decode_json_record<SecureHeader>(plaintext);
  if (json) return std::move(*json);
  return fail(FormatError::DeserializationError, fill_text(both_failed_text, record_error, json.error()));
}

}  // namespace vantoro::format
