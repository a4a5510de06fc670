#include "crypto/checksum.hpp"

#include <openssl/evp.h>

#include <cstdlib>
#include <memory>

namespace vantoro::crypto {

namespace {

struct MdCtxFree {
  void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};

}  // namespace

void sha256_into(std::initializer_list<std::span<const std::uint8_t>> parts, std::span<std::uint8_t, 32> out) {
  std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx(EVP_MD_CTX_new());
  bool ok = ctx && EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) == 1;
  for (auto part : parts) {
    ok = ok && EVP_DigestUpdate(ctx.get(), part.data(), part.size()) == 1;
  }
  ok = ok && EVP_DigestFinal_ex(ctx.get(), out.data(), nullptr) == 1;
  // Hashing fails only when memory runs out; a key or checksum cannot be
  // made up, so stop like the allocator would.
  if (!ok) std::abort();
}

Digest calculate_checksum(std::span<const std::uint8_t> bytes) {
  Digest digest;
  sha256_into({bytes}, digest);
  return digest;
}

}  // namespace vantoro::crypto
