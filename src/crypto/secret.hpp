#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantoro::crypto {

using Bytes = std::vector<std::uint8_t>;

// Overwrites `bytes` with zeros in a way the optimiser cannot remove.
void wipe(std::span<std::uint8_t> bytes) noexcept;
void wipe(std::span<char> bytes) noexcept;

// A 32-byte key (master key or subkey), held inline and wiped when released.
// Copies are independent and each wipes itself; a moved-from key keeps its
// bytes until it is destroyed, like any copy.
class Key {
 public:
  static constexpr std::size_t size_bytes = 32;

  Key() = default;  // all zero
  explicit Key(std::span<const std::uint8_t, size_bytes> bytes);
  Key(const Key& other) = default;
  Key& operator=(const Key& other);
  ~Key();

  [[nodiscard]] std::span<const std::uint8_t, size_bytes> bytes() const { return bytes_; }
  // For the primitives that write a key in place (Argon2id, SHA-256).
  [[nodiscard]] std::span<std::uint8_t, size_bytes> writable_bytes() { return bytes_; }

  friend bool operator==(const Key&, const Key&) = default;

 private:
  std::array<std::uint8_t, size_bytes> bytes_{};
};

// Secret bytes of a size fixed at construction (decrypted plaintexts,
// passphrase copies). The buffer never grows, so no unwiped copy is left
// behind by a reallocation; it is wiped on clear(), on assignment and on
// release. Move-only: a move hands the buffer over and leaves the source empty.
class SecretBytes {
 public:
  SecretBytes() = default;
  explicit SecretBytes(std::size_t size);  // zero-filled
  explicit SecretBytes(std::span<const std::uint8_t> bytes);
  // Takes over the vector's buffer without copying it.
  explicit SecretBytes(Bytes&& bytes) noexcept;
  SecretBytes(SecretBytes&& other) noexcept;
  SecretBytes& operator=(SecretBytes&& other) noexcept;
  SecretBytes(const SecretBytes&) = delete;
  SecretBytes& operator=(const SecretBytes&) = delete;
  ~SecretBytes();

  [[nodiscard]] std::size_t size() const { return bytes_.size(); }
  [[nodiscard]] bool empty() const { return bytes_.empty(); }
  [[nodiscard]] std::uint8_t* data() { return bytes_.data(); }
  [[nodiscard]] const std::uint8_t* data() const { return bytes_.data(); }
  [[nodiscard]] std::span<std::uint8_t> span() { return bytes_; }
  [[nodiscard]] std::span<const std::uint8_t> span() const { return bytes_; }
  operator std::span<const std::uint8_t>() const { return bytes_; }  // NOLINT: reads like a byte view

  // A second secret copy of the same bytes.
  [[nodiscard]] SecretBytes clone() const { return SecretBytes(span()); }
  // Keeps the first `size` bytes (at most size()) and wipes the rest; the
  // buffer is not moved.
  void shrink(std::size_t size) noexcept;
  // Wipes and releases the buffer; the value is empty afterwards.
  void clear() noexcept;

 private:
  Bytes bytes_;
};

// A secret text (passwords, protected field values) with the same release
// rules as SecretBytes. Move-only; wiped on clear(), assignment and release.
class SecretString {
 public:
  SecretString() = default;
  explicit SecretString(std::string_view text);
  // Takes over the string's buffer. Short strings live inside the string
  // object, so the source is wiped as well.
  explicit SecretString(std::string&& text) noexcept;
  SecretString(SecretString&& other) noexcept;
  SecretString& operator=(SecretString&& other) noexcept;
  SecretString(const SecretString&) = delete;
  SecretString& operator=(const SecretString&) = delete;
  ~SecretString();

  [[nodiscard]] std::string_view view() const { return text_; }
  // The UTF-8 bytes, as Argon2id takes a passphrase.
  [[nodiscard]] std::span<const std::uint8_t> bytes() const;
  [[nodiscard]] std::size_t size() const { return text_.size(); }
  [[nodiscard]] bool empty() const { return text_.empty(); }

  [[nodiscard]] SecretString clone() const { return SecretString(view()); }
  void clear() noexcept;

  friend bool operator==(const SecretString& a, const SecretString& b) { return a.text_ == b.text_; }

 private:
  std::string text_;
};

namespace testing {
// Test seam: when set, called with every buffer right after it was wiped and
// before it is released, so a test can look at the memory while it is still
// allocated. Not for production use; pass nullptr to remove.
using WipeObserver = void (*)(std::span<const std::uint8_t> wiped);
void set_wipe_observer(WipeObserver observer) noexcept;
}  // namespace testing

}  // namespace vantoro::crypto
