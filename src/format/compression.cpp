#include "format/compression.hpp"

#include "mvc/strategies/lz4_strategy.hpp"

namespace vantoro::format {

namespace {

AppError as_decompression_error(AppError error) {
  switch (error.family()) {
    case ErrorFamily::Format:
      return error;
    case ErrorFamily::Service:
      return AppError(FormatError::DecompressionError, error.cause_display().value_or(""));
    default:
      return AppError(FormatError::DecompressionError, error.display());
  }
}

}  // namespace

Result<crypto::SecretBytes> CompressionManager::decompress(std::span<const std::uint8_t> data) const {
  auto result = mvc::Lz4Strategy().decompress(data);
  if (!result) return std::unexpected(as_decompression_error(std::move(result.error())));
  return result;
}

}  // namespace vantoro::format
