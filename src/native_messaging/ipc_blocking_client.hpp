#pragma once

#include "native_messaging/fd_io.hpp"
#include "native_messaging/json_value.hpp"
#include "native_messaging/text_error.hpp"

namespace vantoro::native_messaging {

// Connects a Unix-domain stream socket to the desktop application. The path
// is resolved anew from the environment at every call. When connecting to
// it fails and it is not fallback_socket_path, the fallback is tried once;
// using it writes "[quorvel-native] IPC via fallback socket {}" to standard
// error. A socket whose peer runs as another user counts as a failed
// connection: the fallback sits in a world-writable directory where any
// local user could listen. Error texts: the connect error's own text when
// only one path was tried, else "IPC: {}: {} ; {}: {}" (each path quoted,
// then its error).
[[nodiscard]] TextResult<UniqueFd> connect_ipc_unix_stream();

// One exchange on a connected socket: writes `request` as one frame, reads
// one answer frame of at most 1 MiB and parses it. Blocks without timeout.
// Error texts: the encoder's, the I/O error's (including end of stream
// before the answer is complete), "IPC response too large", the parser's.
[[nodiscard]] TextResult<JsonValue> ipc_send_receive(const UniqueFd& stream, const JsonValue& request);

}  // namespace vantoro::native_messaging
