// quorvel-native: the native messaging host started by the browser extension.
#include "native_messaging/host.hpp"

int main() {
  vantoro::native_messaging::run_host();
  return 0;
}
