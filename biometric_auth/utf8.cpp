#include "biometric_auth/utf8.hpp"

namespace vantoro::biometric_auth {
namespace {

struct SequenceStart {
  std::size_t length;  // 0 when the byte cannot start a sequence
  std::uint32_t bits;
  std::uint32_t smallest;
};

SequenceStart sequenceStart(std::uint8_t lead) {
  if (lead < 0x80) return {1, lead, 0};
  if ((lead & 0xE0) == 0xC0) return {2, lead & 0x1Fu, 0x80};
  if ((lead & 0xF0) == 0xE0) return {3, lead & 0x0Fu, 0x800};
  if ((lead & 0xF8) == 0xF0) return {4, lead & 0x07u, 0x10000};
  return {0, 0, 0};
}

// The length of the well-formed sequence at the front of `bytes`, or 0.
std::size_t validSequenceLength(std::span<const std::uint8_t> bytes) {
  const SequenceStart start = sequenceStart(bytes.front());
  if (start.length == 0 || start.length > bytes.size()) return 0;
  std::uint32_t codePoint = start.bits;
  for (const std::uint8_t continuation : bytes.subspan(1, start.length - 1)) {
    if ((continuation & 0xC0) != 0x80) return 0;
    codePoint = (codePoint << 6) | (continuation & 0x3Fu);
  }
  const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
  const bool valid = codePoint >= start.smallest && codePoint <= 0x10FFFF && !surrogate;
  return valid ? start.length : 0;
}

}  // namespace

bool isValidUtf8(std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const std::size_t length = validSequenceLength(bytes);
    if (length == 0) return false;
    bytes = bytes.subspan(length);
  }
  return true;
}

}  // namespace vantoro::biometric_auth
