#include "native_messaging/host.hpp"

#include <csignal>
#include <string>

#include "native_messaging/fd_io.hpp"
#include "native_messaging/ipc_blocking_client.hpp"
#include "native_messaging/protocol.hpp"

namespace vantoro::native_messaging {
namespace {

JsonValue request_id(const JsonValue& request) {
  if (!request.is_object()) return nullptr;
  const auto id = request.find("id");
  // Non-negative integers without fraction or exponent are exactly the
  // values the parser holds as unsigned.
  if (id == request.end() || !id->is_number_unsigned()) return nullptr;
  return *id;
}

// The application's answer to `message`, or the error answer that says why
// there is none. The connection is closed before this returns.
JsonValue relay(const JsonValue& message) {
  const auto stream = connect_ipc_unix_stream();
  if (!stream) {
    write_diagnostic("cannot open socket: " + stream.error().text);
    return error_answer(message, "Cannot reach Vantoro (IPC socket). Start Vantoro and check the vault. Detail: " +
                                     stream.error().text);
  }
  auto answer = ipc_send_receive(*stream, message);
  if (!answer) {
    write_diagnostic("IPC error after connect: " + answer.error().text);
    return error_answer(message, "Vantoro IPC error: " + answer.error().text);
  }
  return std::move(*answer);
}

}  // namespace

JsonValue error_answer(const JsonValue& request, std::string text) {
  JsonValue answer = JsonValue::object();
  answer["error"] = std::move(text);
  answer["id"] = request_id(request);
  return answer;
}

void run_host(int input, std::FILE* output) {
  std::signal(SIGPIPE, SIG_IGN);
  while (true) {
    const auto message = read_message(input);
    if (!message) return;
    if (auto written = write_message(relay(*message), output); !written) {
      write_diagnostic("stdout write: " + written.error().text);
      return;
    }
  }
}

}  // namespace vantoro::native_messaging
