#include "crypto/kdf.hpp"

#include <argon2.h>

namespace vantoro::crypto {

namespace {

constexpr std::uint32_t max_parallelism = 0xFFFFFF;  // 2^24 - 1 lanes

bool params_valid(const KdfParams& p) {
  return p.parallelism >= 1 && p.parallelism <= max_parallelism && p.time_cost >= 1 && p.memory_cost >= 8 &&
         std::uint64_t{p.memory_cost} >= 8 * std::uint64_t{p.parallelism};
}

AppError argon2_failure(int code) {
  switch (code) {
    case ARGON2_SALT_TOO_SHORT:
    case ARGON2_SALT_TOO_LONG:
    case ARGON2_SALT_PTR_MISMATCH:
      return AppError(CryptoError::InvalidSalt);
    default:
      return AppError(CryptoError::KeyDerivationFailed);
  }
}

}  // namespace

Result<Key> derive_key(std::span<const std::uint8_t> passphrase, std::span<const std::uint8_t> salt,
                       const KdfParams& params) {
  if (salt.size() != salt_length) return fail(CryptoError::InvalidSaltLength, std::uint64_t{salt.size()});
  if (!params_valid(params)) return fail(CryptoError::InvalidKdfParams);
  if (passphrase.size() > ARGON2_MAX_PWD_LENGTH) return fail(CryptoError::KeyDerivationFailed);

  Key key;
  argon2_context ctx{};
  ctx.out = key.writable_bytes().data();
  ctx.outlen = Key::size_bytes;
  // libargon2 only reads the password and salt (no clear-password flag set).
  ctx.pwd = const_cast<std::uint8_t*>(passphrase.data());
  ctx.pwdlen = static_cast<std::uint32_t>(passphrase.size());
  ctx.salt = const_cast<std::uint8_t*>(salt.data());
  ctx.saltlen = static_cast<std::uint32_t>(salt.size());
  ctx.t_cost = params.time_cost;
  ctx.m_cost = params.memory_cost;
  ctx.lanes = params.parallelism;
  ctx.threads = 1;  // the lanes run one after another on the calling thread
  ctx.version = ARGON2_VERSION_13;
  ctx.flags = ARGON2_DEFAULT_FLAGS;

  const int code = argon2_ctx(&ctx, Argon2_id);
  if (code != ARGON2_OK) return std::unexpected(argon2_failure(code));
  return key;
}

}  // namespace vantoro::crypto
