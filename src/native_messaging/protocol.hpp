#pragma once

#include <cstdio>

#include <unistd.h>

#include "native_messaging/json_value.hpp"
#include "native_messaging/text_error.hpp"

namespace vantoro::native_messaging {

// Reads one message frame from `input` (standard input by default). Reads
// are unbuffered, so after any failure the descriptor is positioned exactly
// where reading stopped. Error texts:
//   "Failed to read message length: {}"  input ended or failed before 4 bytes
//   "Message too large (max 1MB)"        length above 1048576; body not read
//   "Failed to read message body: {}"    input ended or failed inside the body
//   "Invalid JSON: {}"                   body is not exactly one JSON value
[[nodiscard]] TextResult<JsonValue> read_message(int input = STDIN_FILENO);

// Writes one message frame to `output` (standard output by default): the
// frame is built in one buffer, written under the stream's lock in one call
// and flushed, so it never interleaves with other output. Error texts:
//   "JSON serialization error: {}", "stdout write error: {}",
//   "stdout flush error: {}"
[[nodiscard]] TextResult<void> write_message(const JsonValue& message, std::FILE* output = stdout);

}  // namespace vantoro::native_messaging
