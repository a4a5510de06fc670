#pragma once

#include <cstdio>

#include <unistd.h>

#include "native_messaging/json_value.hpp"

namespace vantoro::native_messaging {

// The error answer for `request`: {"error": text, "id": id}, where id is
// the request's "id" member when that is an integer from 0 to 2^64-1
// written without fraction or exponent, and null otherwise.
[[nodiscard]] JsonValue error_answer(const JsonValue& request, std::string text);

// The host loop: reads messages from `input` one at a time, relays each over
// its own IPC connection and writes one answer frame per message, in order,
// to `output`. A failed connection or exchange becomes an error answer and a
// "[quorvel-native] ..." line on standard error. Returns silently when a
// message cannot be read (end of input, bad frame, bad JSON), and after a
// "[quorvel-native] stdout write: {}" line when an answer cannot be written.
// Ignores SIGPIPE for the whole process, so a closed output is an error.
void run_host(int input = STDIN_FILENO, std::FILE* output = stdout);

}  // namespace vantoro::native_messaging
