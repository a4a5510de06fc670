#include "native_messaging/protocol.hpp"

#include <cerrno>

#include "native_messaging/fd_io.hpp"
#include "native_messaging/frame.hpp"

namespace vantoro::native_messaging {
namespace {

std::string read_error_text(const FrameReadError& error) {
  switch (error.step) {
    case FrameReadStep::Length:
      return "Failed to read message length: " + error.detail;
    case FrameReadStep::TooLarge:
      return "Message too large (max 1MB)";
    case FrameReadStep::Body:
      return "Failed to read message body: " + error.detail;
    case FrameReadStep::Json:
      return "Invalid JSON: " + error.detail;
  }
  return error.detail;
}

// Releases the stream's lock on every path out of write_message.
class StreamLock {
 public:
  explicit StreamLock(std::FILE* stream) : stream_(stream) { ::flockfile(stream_); }
  StreamLock(const StreamLock&) = delete;
  StreamLock& operator=(const StreamLock&) = delete;
  ~StreamLock() { ::funlockfile(stream_); }

 private:
  std::FILE* stream_;
};

}  // namespace

TextResult<JsonValue> read_message(int input) {
  auto message = read_frame(input);
  if (!message) return std::unexpected(TextError{read_error_text(message.error())});
  return std::move(*message);
}

TextResult<void> write_message(const JsonValue& message, std::FILE* output) {
  const auto frame = encode_frame(message);
  if (!frame) return std::unexpected(TextError{"JSON serialization error: " + frame.error().text});

  const StreamLock lock(output);
  errno = 0;
  if (std::fwrite(frame->data(), 1, frame->size(), output) != frame->size()) {
    return std::unexpected(TextError{"stdout write error: " + os_error_text(errno)});
  }
  if (std::fflush(output) != 0) return std::unexpected(TextError{"stdout flush error: " + os_error_text(errno)});
  return {};
}

}  // namespace vantoro::native_messaging
