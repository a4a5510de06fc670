#pragma once

#include <concepts>
#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <variant>

#include "error/error_kinds.hpp"
#include "models/uuid.hpp"

namespace vantoro {

// The payload of a kind: none, text, an unsigned count (u64), an unsigned
// 32- or 16-bit number, or a UUID. Each kind takes exactly one of these.
using ErrorPayload = std::variant<std::monostate, std::string, std::uint64_t, std::uint32_t, std::uint16_t, Uuid>;

template <class K>
concept ErrorKind = std::same_as<K, CryptoError> || std::same_as<K, FormatError> ||
                    std::same_as<K, StorageError> || std::same_as<K, ValidationError> ||
                    std::same_as<K, ServiceError> || std::same_as<K, UserError> ||
                    std::same_as<K, ImportExportError> || std::same_as<K, SystemError>;

// One error of the core: a family, a kind inside it and the kind's payload,
// or an Unknown text. Errors are plain values, returned and compared by
// family and kind; texts are built only when displayed.
//
//   AppError(StorageError::FileNotFound, "x.qolty")  -> "Storage error: File not found: x.qolty"
//   .debug()                                          -> Storage(FileNotFound("x.qolty"))
class AppError {
 public:
  // The payload must be of the kind's declared type (asserted).
  template <ErrorKind K>
  AppError(K kind)  // NOLINT: implicit so `return AppError(...)` and `Unexpected(kind)` read well
      : family_(family_of<K>()), kind_(static_cast<std::uint8_t>(kind)) {
    check_payload();
  }
  // The payload is built in place rather than moved in: g++ 12 at -O2 with
  // sanitizers reports moving a payload variant as maybe-uninitialized.
  template <ErrorKind K, class P>
    requires std::constructible_from<ErrorPayload, P&&>
  AppError(K kind, P&& payload)
      : family_(family_of<K>()), kind_(static_cast<std::uint8_t>(kind)), payload_(std::forward<P>(payload)) {
    check_payload();
  }
  template <ErrorKind K>
  AppError(K kind, const char* text) : AppError(kind, ErrorPayload(std::string(text))) {}

  [[nodiscard]] static AppError unknown(std::string text);

  [[nodiscard]] ErrorFamily family() const { return family_; }

  // True when this error is of kind `kind` of that kind's family.
  template <ErrorKind K>
  [[nodiscard]] bool is(K kind) const {
    return family_ == family_of<K>() && kind_ == static_cast<std::uint8_t>(kind);
  }

  // The payload text (or the Unknown text); empty when the payload is not text.
  [[nodiscard]] const std::string& text() const;
  [[nodiscard]] const ErrorPayload& payload() const { return payload_; }

  // "Storage error: File not found: x.qolty"
  [[nodiscard]] std::string display() const;
  // Storage(FileNotFound("x.qolty"))
  [[nodiscard]] std::string debug() const;

  // The family value's texts ("File not found: x.qolty", FileNotFound("x.qolty")),
  // reported as the cause; Unknown has no cause.
  [[nodiscard]] std::optional<std::string> cause_display() const;
  [[nodiscard]] std::optional<std::string> cause_debug() const;

  friend bool operator==(const AppError&, const AppError&) = default;

 private:
  AppError() = default;

  template <ErrorKind K>
  static constexpr ErrorFamily family_of() {
    if constexpr (std::same_as<K, CryptoError>) return ErrorFamily::Crypto;
    else if constexpr (std::same_as<K, FormatError>) return ErrorFamily::Format;
    else if constexpr (std::same_as<K, StorageError>) return ErrorFamily::Storage;
    else if constexpr (std::same_as<K, ValidationError>) return ErrorFamily::Validation;
    else if constexpr (std::same_as<K, ServiceError>) return ErrorFamily::Service;
    else if constexpr (std::same_as<K, UserError>) return ErrorFamily::User;
    else if constexpr (std::same_as<K, ImportExportError>) return ErrorFamily::ImportExport;
    else return ErrorFamily::System;
  }

  void check_payload() const;

  ErrorFamily family_ = ErrorFamily::Unknown;
  std::uint8_t kind_ = 0;
  ErrorPayload payload_;
};

template <class T>
using Result = std::expected<T, AppError>;

// Shorthand for the error side of a Result: `return fail(FormatError::CorruptedIndex);`
template <class... Args>
[[nodiscard]] std::unexpected<AppError> fail(Args&&... args) {
  return std::unexpected<AppError>(AppError(std::forward<Args>(args)...));
}

// The quoted, escaped debug form of a text: "a\"b\n" etc. Also used for paths.
[[nodiscard]] std::string debug_quoted(std::string_view text);

}  // namespace vantoro
