#include "crypto/secret.hpp"

#include <openssl/crypto.h>

#include <algorithm>
#include <atomic>
#include <utility>

namespace vantoro::crypto {

namespace {

std::atomic<testing::WipeObserver> wipe_observer{nullptr};

void wipe_raw(void* data, std::size_t size) noexcept {
  if (size == 0) return;
  // OPENSSL_cleanse writes through a volatile function pointer, so the
  // compiler cannot drop the stores as dead even right before a free.
  OPENSSL_cleanse(data, size);
  if (auto observer = wipe_observer.load(std::memory_order_relaxed)) {
    observer({static_cast<const std::uint8_t*>(data), size});
  }
}

}  // namespace

void wipe(std::span<std::uint8_t> bytes) noexcept { wipe_raw(bytes.data(), bytes.size()); }
void wipe(std::span<char> bytes) noexcept { wipe_raw(bytes.data(), bytes.size()); }

void testing::set_wipe_observer(WipeObserver observer) noexcept {
  wipe_observer.store(observer, std::memory_order_relaxed);
}

// ---- Key -------------------------------------------------------------------

Key::Key(std::span<const std::uint8_t, size_bytes> bytes) {
  std::copy(bytes.begin(), bytes.end(), bytes_.begin());
}

Key& Key::operator=(const Key& other) {
  bytes_ = other.bytes_;  // overwrites every byte; nothing is left to wipe
  return *this;
}

Key::~Key() { wipe(bytes_); }

// ---- SecretBytes -----------------------------------------------------------

SecretBytes::SecretBytes(std::size_t size) : bytes_(size) {}
SecretBytes::SecretBytes(std::span<const std::uint8_t> bytes) : bytes_(bytes.begin(), bytes.end()) {}
SecretBytes::SecretBytes(Bytes&& bytes) noexcept : bytes_(std::move(bytes)) {}
SecretBytes::SecretBytes(SecretBytes&& other) noexcept : bytes_(std::move(other.bytes_)) {}

SecretBytes& SecretBytes::operator=(SecretBytes&& other) noexcept {
  if (this != &other) {
    clear();
    bytes_ = std::move(other.bytes_);
  }
  return *this;
}

SecretBytes::~SecretBytes() { clear(); }

void SecretBytes::shrink(std::size_t size) noexcept {
  if (size >= bytes_.size()) return;
  wipe(std::span(bytes_).subspan(size));
  bytes_.resize(size);
}

void SecretBytes::clear() noexcept {
  // The whole capacity: an adopted vector may hold secret bytes past size().
  bytes_.resize(bytes_.capacity());
  wipe(bytes_);
  Bytes().swap(bytes_);
}

// ---- SecretString ----------------------------------------------------------

SecretString::SecretString(std::string_view text) : text_(text) {}

SecretString::SecretString(std::string&& text) noexcept : text_(std::move(text)) {
  // A short string is copied out of its inline buffer, not moved.
  text.resize(text.capacity());
  wipe(text);
  text.clear();
}

SecretString::SecretString(SecretString&& other) noexcept : text_(std::move(other.text_)) { other.clear(); }

SecretString& SecretString::operator=(SecretString&& other) noexcept {
  if (this != &other) {
    clear();
    text_ = std::move(other.text_);
    other.clear();
  }
  return *this;
}

SecretString::~SecretString() { clear(); }

std::span<const std::uint8_t> SecretString::bytes() const {
  return {reinterpret_cast<const std::uint8_t*>(text_.data()), text_.size()};
}

void SecretString::clear() noexcept {
  text_.resize(text_.capacity());
  wipe(text_);
  std::string().swap(text_);
}

}  // namespace vantoro::crypto
