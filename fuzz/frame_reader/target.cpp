// Feeds arbitrary bytes to the host's frame reader as its input stream.
// Every message read must re-encode to a frame that reads back as the same
// value and encodes to the same bytes again; every failure must carry one
// of the reader's texts.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include <sys/mman.h>
#include <unistd.h>

#include "native_messaging/fd_io.hpp"
#include "native_messaging/frame.hpp"
#include "native_messaging/protocol.hpp"

namespace {

using vantoro::native_messaging::UniqueFd;

UniqueFd holding(std::string_view bytes) {
  UniqueFd fd(::memfd_create("fuzz", MFD_CLOEXEC));
  if (fd.get() < 0 || ::write(fd.get(), bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) ||
      ::lseek(fd.get(), 0, SEEK_SET) != 0) {
    std::abort();
  }
  return fd;
}

bool is_reader_text(std::string_view text) {
  for (const std::string_view prefix : {"Failed to read message length: ", "Message too large (max 1MB)",
                                        "Failed to read message body: ", "Invalid JSON: "}) {
    if (text.starts_with(prefix)) return true;
  }
  return false;
}

void check_round_trip(const vantoro::native_messaging::JsonValue& value) {
  const auto frame = vantoro::native_messaging::encode_frame(value);
  if (!frame) std::abort();
  const auto again = vantoro::native_messaging::read_message(holding(*frame).get());
  if (!again || *again != value) std::abort();
  const auto reencoded = vantoro::native_messaging::encode_frame(*again);
  if (!reencoded || *reencoded != *frame) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const UniqueFd input = holding(std::string_view(reinterpret_cast<const char*>(data), size));
  while (true) {
    const auto message = vantoro::native_messaging::read_message(input.get());
    if (!message) {
      if (!is_reader_text(message.error().text)) std::abort();
      return 0;
    }
    check_round_trip(*message);
  }
}
