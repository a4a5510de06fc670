#include "format/compression.hpp"

#include <gtest/gtest.h>

#include "hex.hpp"
#include "mvc/strategies/lz4_strategy.hpp"

namespace vantoro::format {
namespace {

TEST(CompressionManager, PassesValidFramesThrough) {
  const std::vector<std::uint8_t> payload(300, 7);
  const auto output = CompressionManager().decompress(mvc::Lz4Strategy().compress(payload));
  ASSERT_TRUE(output);
  EXPECT_EQ(std::vector<std::uint8_t>(output->span().begin(), output->span().end()), payload);
}

TEST(CompressionManager, MapsEveryFailureToOneDecompressionError) {
  for (std::string_view frame : {"", "00000000", "08000000" "40" "61626364" "0400"}) {
    const auto output = CompressionManager().decompress(test::from_hex(frame));
    ASSERT_FALSE(output) << frame;
    EXPECT_TRUE(output.error().is(FormatError::DecompressionError));
    EXPECT_EQ(output.error().cause_display(), "Decompression error: History journal error: LZ4 decompression failed");
  }
}

}  // namespace
}  // namespace vantoro::format
