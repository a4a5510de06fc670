#include "format/preamble.hpp"

#include "format/text_fill.hpp"

namespace vantoro::format {

namespace {

template <class T, std::size_t N>
T load_le(const std::array<std::uint8_t, N>& bytes) {
  static_assert(sizeof(T) == N);
  T value = 0;
  for (std::size_t i = 0; i < N; ++i) value |= static_cast<T>(static_cast<T>(bytes[i]) << (8 * i));
  return value;
}

template <class T>
void store_le(crypto::Bytes& out, T value) {
  for (std::size_t i = 0; i < sizeof(T); ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

template <std::size_t N>
Result<std::array<std::uint8_t, N>> PreambleWalk::read_array() {
  std::array<std::uint8_t, N> bytes{};
  if (auto read = file_.read_exact(bytes); !read) return std::unexpected(std::move(read.error()));
  position_ += N;
  return bytes;
}

Result<void> PreambleWalk::read_magic() {
  auto magic = read_array<magic_size>();
  if (!magic) return std::unexpected(std::move(magic.error()));
  if (*magic != vault_magic) return fail(FormatError::InvalidMagicNumber);
  return {};
}

template <class T>
Result<T> PreambleWalk::read_integer() {
  auto bytes = read_array<sizeof(T)>();
  if (!bytes) return std::unexpected(std::move(bytes.error()));
  return load_le<T>(*bytes);
}

Result<std::uint16_t> PreambleWalk::read_version() { return read_integer<std::uint16_t>(); }

Result<void> PreambleWalk::read_supported_version() {
  auto version = read_version();
  if (!version) return std::unexpected(std::move(version.error()));
  if (*version != vault_format_version) return fail(FormatError::UnsupportedVersion, *version);
  return {};
}

Result<Salt> PreambleWalk::read_salt() { return read_array<salt_size>(); }

Result<Uuid> PreambleWalk::read_file_uuid() {
  auto bytes = read_array<file_uuid_size>();
  if (!bytes) return std::unexpected(std::move(bytes.error()));
  return Uuid{*bytes};
}

Result<std::uint8_t> PreambleWalk::read_flag() { return read_integer<std::uint8_t>(); }

Result<std::uint32_t> PreambleWalk::read_u32() { return read_integer<std::uint32_t>(); }

Result<std::uint64_t> PreambleWalk::read_u64() { return read_integer<std::uint64_t>(); }

Result<void> PreambleWalk::skip(std::uint64_t count) {
  auto moved = file_.skip(count);
  if (!moved) return std::unexpected(std::move(moved.error()));
  position_ = *moved;
  return {};
}

Result<RecoveryFields> PreambleWalk::read_recovery_fields() {
  RecoveryFields fields;
  auto flag = read_flag();
  if (!flag) return std::unexpected(std::move(flag.error()));
  if (*flag != flag_present) return fields;
  auto salt = read_salt();
  if (!salt) return std::unexpected(std::move(salt.error()));
  fields.recovery_salt = *salt;
  auto key_flag = read_flag();
  if (!key_flag) return std::unexpected(std::move(key_flag.error()));
  if (*key_flag != flag_present) return fields;
  auto size = read_u32();
  if (!size) return std::unexpected(std::move(size.error()));
  fields.wrapped_key_size = *size;
  return fields;
}

// ---- writing ----------------------------------------------------------------

std::uint64_t preamble_size(const SecureHeader& header) {
  if (!header.recovery_salt) return fixed_preamble_size + recovery_section_size_none;
  if (!header.master_key_wrapped_with_recovery) return fixed_preamble_size + recovery_section_size_salt;
  return fixed_preamble_size + recovery_section_size_key_base + header.master_key_wrapped_with_recovery->size();
}

std::uint64_t index_end(const SecureHeader& header, std::uint64_t header_size, std::uint64_t index_size) {
  return preamble_size(header) + 8 + header_size + 8 + index_size;
}

Result<crypto::Bytes> encode_preamble(const SecureHeader& header) {
  const auto& wrapped = header.master_key_wrapped_with_recovery;
  if (header.recovery_salt && wrapped && wrapped->size() > max_wrapped_key_size) {
    return fail(FormatError::SerializationError,
                fill_text("Invalid wrapped_key size: {} bytes (max 1MB)", wrapped->size()));
  }
  crypto::Bytes out;
  out.reserve(preamble_size(header));
  out.insert(out.end(), vault_magic.begin(), vault_magic.end());
  store_le(out, header.format_version);
  out.insert(out.end(), header.salt.begin(), header.salt.end());
  out.insert(out.end(), header.file_uuid.bytes.begin(), header.file_uuid.bytes.end());
  out.push_back(header.recovery_salt ? flag_present : 0);
  if (!header.recovery_salt) return out;
  out.insert(out.end(), header.recovery_salt->begin(), header.recovery_salt->end());
  out.push_back(wrapped ? flag_present : 0);
  if (!wrapped) return out;
  store_le(out, static_cast<std::uint32_t>(wrapped->size()));
  out.insert(out.end(), wrapped->begin(), wrapped->end());
  return out;
}

}  // namespace vantoro::format
