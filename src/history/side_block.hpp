#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <utility>

#include "crypto/seal.hpp"
#include "crypto/secret.hpp"
#include "error/app_error.hpp"
#include "record_encoding/codec.hpp"

namespace vantoro::history {

// A side block of a format-4 vault: one table in the record encoding, sealed
// as nonce || AES-256-GCM ciphertext || tag under the table's own subkey, with
// no associated data. The journal, shares, statistics, folders and both
// settings records are all stored this way; the caller derives the subkey.

// Seals the encoding of `table` under `key` with a fresh nonce. The plaintext
// is wiped once sealed. Sealing failures are passed on unchanged.
template <class T>
[[nodiscard]] Result<crypto::Bytes> seal_side_block(const crypto::Key& key, const T& table) {
  const crypto::SecretBytes plaintext(encoding::encode_record(table));
  return crypto::seal_blob(key, plaintext);
}

// The plaintext of a side block:
//   under 12 bytes -> FormatError::DeserializationError(too_short_text)
//   AEAD failure   -> the error of open_blob, unchanged
[[nodiscard]] Result<crypto::SecretBytes> open_side_block_plaintext(const crypto::Key& key,
                                                                    std::span<const std::uint8_t> block,
                                                                    std::string_view too_short_text);

template <class T>
using SideBlockDecoder = encoding::Decoded<T> (*)(std::span<const std::uint8_t>);

// Opens a side block and decodes its plaintext with `decode` (the record
// encoding unless told otherwise). Errors as open_side_block_plaintext, and a
// decoding failure gives FormatError::DeserializationError with the decoder's
// message. The plaintext is wiped before it is released.
template <class T>
[[nodiscard]] Result<T> open_side_block(const crypto::Key& key, std::span<const std::uint8_t> block,
                                        std::string_view too_short_text,
                                        SideBlockDecoder<T> decode = &encoding::decode_record<T>) {
  auto plaintext = open_side_block_plaintext(key, block, too_short_text);
  if (!plaintext) return std::unexpected(std::move(plaintext.error()));
  auto decoded = decode(plaintext->span());
  if (!decoded) return fail(FormatError::DeserializationError, std::move(decoded.error().message));
  return std::move(*decoded);
}

}  // namespace vantoro::history
