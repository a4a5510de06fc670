#pragma once

#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vantoro {

// The kind of an entry. Stored on disk as its index (u32) in the entry
// records and in the entry index: never renumber or reorder.
enum class EntryType : std::uint32_t {
  Password,
  SSHKey,
  PGPKey,
  TokenLogin,
  Passkey,
  RecoveryCodes,
  CreditCard,
  BankAccount,
  CryptoWallet,
  NationalID,
  Passport,
  DriverLicense,
  HealthID,
  Profile,
  ContactAddress,
  Note,
  RecoveryPhrase,
  ConfigSnippet,
  Document,
  WiFi,
};

// Display names, which are also the names in the JSON form, in stored order.
inline constexpr std::array<std::string_view, 20> entry_type_names = {
    "Password", "SSHKey", "PGPKey", "TokenLogin", "Passkey",  // 0-4
    "RecoveryCodes", "CreditCard", "BankAccount", "CryptoWallet", "NationalID",  // 5-9
    "Passport", "DriverLicense", "HealthID", "Profile", "ContactAddress",  // 10-14
    "Note", "RecoveryPhrase", "ConfigSnippet", "Document", "WiFi",  // 15-19
};

// Found by the record encoding through ADL: the variant count and JSON names.
constexpr const std::array<std::string_view, 20>& enum_names(EntryType) { return entry_type_names; }

// "Password", "SSHKey", ... as the compatibility report prints them.
[[nodiscard]] constexpr std::string_view entry_type_name(EntryType type) {
  auto index = static_cast<std::size_t>(type);
  assert(index < entry_type_names.size());
  return entry_type_names[index];
}

}  // namespace vantoro
