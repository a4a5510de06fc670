#include "mvc/strategies/lz4_strategy.hpp"

#include <gtest/gtest.h>

#include "hex.hpp"

namespace vantoro::mvc {
namespace {

using test::from_hex;
using test::to_hex;

std::vector<std::uint8_t> to_vector(const crypto::SecretBytes& secret) {
  return {secret.span().begin(), secret.span().end()};
}

std::string repeat(std::string_view hex, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) out += hex;
  return out;
}

TEST(Lz4Strategy, NamesItsAlgorithm) { EXPECT_EQ(Lz4Strategy().algorithm_name(), "LZ4"); }

TEST(Lz4Strategy, CompressedFramesDecompressToTheInput) {
  std::vector<std::uint8_t> text(5000);
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<std::uint8_t>("entry "[i % 6] + i / 997);
  const std::vector<std::uint8_t> inputs[] = {{}, {'a'}, std::vector<std::uint8_t>(70000, 0x42), text};
  for (const auto& input : inputs) {
    const auto frame = Lz4Strategy().compress(input);
    ASSERT_GE(frame.size(), 4u);
    EXPECT_EQ(frame.span()[0] | frame.span()[1] << 8 | frame.span()[2] << 16 | frame.span()[3] << 24,
              static_cast<int>(input.size()));
    const auto output = Lz4Strategy().decompress(frame);
    ASSERT_TRUE(output) << input.size();
    EXPECT_EQ(to_vector(*output), input);
  }
}

// Frames as hex: D (u32 little-endian), then the block. Sequences in the
// comments read token | literals | offset | extra length bytes.
TEST(Lz4Strategy, DecodesEveryWellFormedBlock) {
  const struct {
    std::string_view why, frame;
    std::string output;
  } cases[] = {
      {"a lone empty last sequence", "00000000" "00", ""},
      {"output shorter than D", "64000000" "50" "6162636465", "6162636465"},
      {"overlapping match", "0a000000" "15" "61" "0100" "00", repeat("61", 10)},
      {"match length continued by 255", "13010000" "1f" "61" "0100" "ff" "00" "00",
       repeat("61", 275)},
      // Both end-of-block conditions of liblz4 are broken here, yet the
      // blocks are complete: the last sequence ends after its literals.
      {"match right before an empty last sequence", "08000000" "40" "61626364" "0400" "00", "6162636461626364"},
      {"last match 1 byte before the end", "19000000" "f0" "05" "6162636465666768696a6b6c6d6e6f7071727374" "1400"
       "10" "5a", "6162636465666768696a6b6c6d6e6f7071727374" "61626364" "5a"},
      {"offset 0 copies the buffer's zeros", "09000000" "00" "0000" "50" "6162636465", "00000000" "6162636465"},
      {"D of 2^32 - 1 reserves no more than the block can fill", "ffffffff" "50" "6162636465", "6162636465"},
  };
  for (const auto& c : cases) {
    const auto output = Lz4Strategy().decompress(from_hex(c.frame));
    ASSERT_TRUE(output) << c.why;
    EXPECT_EQ(to_hex(output->span()), c.output) << c.why;
  }
}

TEST(Lz4Strategy, RefusesMalformedFrames) {
  const struct {
    std::string_view why, frame;
  } cases[] = {
      {"no bytes", ""},
      {"3 bytes", "000000"},
      {"no block", "00000000"},
      {"ends after a match", "08000000" "40" "61626364" "0400"},
      {"ends inside a length", "64000000" "f0"},
      {"ends inside the literals", "64000000" "50" "6162"},
      {"ends inside an offset", "64000000" "40" "61626364" "04"},
      {"offset beyond the output", "64000000" "40" "61626364" "0500" "00"},
      {"literals past D", "04000000" "50" "6162636465"},
      {"match past D", "07000000" "40" "61626364" "0400" "00"},
  };
  for (const auto& c : cases) {
    const auto output = Lz4Strategy().decompress(from_hex(c.frame));
    ASSERT_FALSE(output) << c.why;
    EXPECT_EQ(output.error().debug(), R"(Service(JournalError("LZ4 decompression failed")))") << c.why;
  }
}

}  // namespace
}  // namespace vantoro::mvc
