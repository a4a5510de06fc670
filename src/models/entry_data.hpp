#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "models/entry_type.hpp"

namespace vantoro {

using OptionalText = std::optional<std::string>;

// The kind-specific fields of an entry, one record per kind. Each record's
// visit_fields list is its stored field order (never reorder), and the names
// are those of the JSON form. Dates in here are free text, not date-times.

struct PasswordData {
  static constexpr std::string_view variant_name = "Password";
  OptionalText username;
  std::string password;
  OptionalText url;
  OptionalText notes;
  OptionalText totp_secret;
  OptionalText totp_algorithm;
  std::optional<std::uint8_t> totp_digits;
  std::optional<std::uint64_t> totp_period;
  bool operator==(const PasswordData&) const = default;
};
template <class V> void visit_fields(V& v, PasswordData& r) {
  v("username", r.username); v("password", r.password); v("url", r.url); v("notes", r.notes);
  v("totp_secret", r.totp_secret); v("totp_algorithm", r.totp_algorithm);
  v("totp_digits", r.totp_digits); v("totp_period", r.totp_period);
}

struct SSHKeyData {
  static constexpr std::string_view variant_name = "SSHKey";
  std::string host;
  OptionalText port;
  std::string ssh_username;
  std::string public_key;
  std::string private_key;
  OptionalText passphrase;
  OptionalText notes;
  bool operator==(const SSHKeyData&) const = default;
};
template <class V> void visit_fields(V& v, SSHKeyData& r) {
  v("host", r.host); v("port", r.port); v("ssh_username", r.ssh_username); v("public_key", r.public_key);
  v("private_key", r.private_key); v("passphrase", r.passphrase); v("notes", r.notes);
}

struct PGPKeyData {
  static constexpr std::string_view variant_name = "PGPKey";
  OptionalText pgp_email;
  OptionalText pgp_key_id;
  std::string pgp_public_key;
  std::string pgp_private_key;
  OptionalText passphrase;
  OptionalText notes;
  bool operator==(const PGPKeyData&) const = default;
};
template <class V> void visit_fields(V& v, PGPKeyData& r) {
  v("pgp_email", r.pgp_email); v("pgp_key_id", r.pgp_key_id); v("pgp_public_key", r.pgp_public_key);
  v("pgp_private_key", r.pgp_private_key); v("passphrase", r.passphrase); v("notes", r.notes);
}

struct TokenLoginData {
  static constexpr std::string_view variant_name = "TokenLogin";
  OptionalText client_id;
  std::string token;
  OptionalText refresh_token;
  OptionalText token_expiry;
  OptionalText api_key;
  OptionalText bearer_token;
  OptionalText url;
  OptionalText notes;
  bool operator==(const TokenLoginData&) const = default;
};
template <class V> void visit_fields(V& v, TokenLoginData& r) {
  v("client_id", r.client_id); v("token", r.token); v("refresh_token", r.refresh_token);
  v("token_expiry", r.token_expiry); v("api_key", r.api_key); v("bearer_token", r.bearer_token);
  v("url", r.url); v("notes", r.notes);
}

struct PasskeyData {
  static constexpr std::string_view variant_name = "Passkey";
  std::string passkey_credential_id;
  OptionalText passkey_user_id;
  std::string public_key;
  std::string private_key;
  OptionalText webauthn_credential;
  OptionalText user_handle;
  OptionalText url;
  OptionalText notes;
  bool operator==(const PasskeyData&) const = default;
};
template <class V> void visit_fields(V& v, PasskeyData& r) {
  v("passkey_credential_id", r.passkey_credential_id); v("passkey_user_id", r.passkey_user_id);
  v("public_key", r.public_key); v("private_key", r.private_key); v("webauthn_credential", r.webauthn_credential);
  v("user_handle", r.user_handle); v("url", r.url); v("notes", r.notes);
}

struct RecoveryCodesData {
  static constexpr std::string_view variant_name = "RecoveryCodes";
  std::string recovery_codes;
  OptionalText backup_codes;
  OptionalText emergency_codes;
  OptionalText notes;
  bool operator==(const RecoveryCodesData&) const = default;
};
template <class V> void visit_fields(V& v, RecoveryCodesData& r) {
  v("recovery_codes", r.recovery_codes); v("backup_codes", r.backup_codes);
  v("emergency_codes", r.emergency_codes); v("notes", r.notes);
}

struct CreditCardData {
  static constexpr std::string_view variant_name = "CreditCard";
  std::string cardholder;
  std::string number;
  std::string expiry;
  std::string cvv;
  OptionalText bank_name;
  OptionalText notes;
  bool operator==(const CreditCardData&) const = default;
};
template <class V> void visit_fields(V& v, CreditCardData& r) {
  v("cardholder", r.cardholder); v("number", r.number); v("expiry", r.expiry); v("cvv", r.cvv);
  v("bank_name", r.bank_name); v("notes", r.notes);
}

struct BankAccountData {
  static constexpr std::string_view variant_name = "BankAccount";
  std::string account_number;
  std::string bank_name;
  OptionalText branch_code;
  OptionalText account_type;
  OptionalText notes;
  bool operator==(const BankAccountData&) const = default;
};
template <class V> void visit_fields(V& v, BankAccountData& r) {
  v("account_number", r.account_number); v("bank_name", r.bank_name); v("branch_code", r.branch_code);
  v("account_type", r.account_type); v("notes", r.notes);
}

struct CryptoWalletData {
  static constexpr std::string_view variant_name = "CryptoWallet";
  std::string wallet_address;
  std::string private_key;
  OptionalText mnemonic;
  OptionalText seed_phrase;
  OptionalText recovery_phrase;
  OptionalText wallet_seed;
  OptionalText notes;
  bool operator==(const CryptoWalletData&) const = default;
};
template <class V> void visit_fields(V& v, CryptoWalletData& r) {
  v("wallet_address", r.wallet_address); v("private_key", r.private_key); v("mnemonic", r.mnemonic);
  v("seed_phrase", r.seed_phrase); v("recovery_phrase", r.recovery_phrase); v("wallet_seed", r.wallet_seed);
  v("notes", r.notes);
}

struct NationalIDData {
  static constexpr std::string_view variant_name = "NationalID";
  std::string id_number;
  OptionalText document_number;
  OptionalText issuing_authority;
  OptionalText expiry_date;
  OptionalText date_of_birth;
  OptionalText personal_code;
  OptionalText last_name;
  OptionalText first_name;
  OptionalText place_of_birth;
  OptionalText sex;
  OptionalText nationality;
  OptionalText address;
  OptionalText issue_date;
  OptionalText issuing_country;
  OptionalText notes;
  bool operator==(const NationalIDData&) const = default;
};
template <class V> void visit_fields(V& v, NationalIDData& r) {
  v("id_number", r.id_number); v("document_number", r.document_number);
  v("issuing_authority", r.issuing_authority); v("expiry_date", r.expiry_date);
  v("date_of_birth", r.date_of_birth); v("personal_code", r.personal_code); v("last_name", r.last_name);
  v("first_name", r.first_name); v("place_of_birth", r.place_of_birth); v("sex", r.sex);
  v("nationality", r.nationality); v("address", r.address); v("issue_date", r.issue_date);
  v("issuing_country", r.issuing_country); v("notes", r.notes);
}

struct PassportData {
  static constexpr std::string_view variant_name = "Passport";
  std::string passport_number;
  OptionalText document_number;
  OptionalText issuing_country;
  OptionalText nationality;
  OptionalText expiry_date;
  OptionalText date_of_birth;
  OptionalText place_of_birth;
  OptionalText last_name;
  OptionalText first_name;
  OptionalText notes;
  bool operator==(const PassportData&) const = default;
};
template <class V> void visit_fields(V& v, PassportData& r) {
  v("passport_number", r.passport_number); v("document_number", r.document_number);
  v("issuing_country", r.issuing_country); v("nationality", r.nationality); v("expiry_date", r.expiry_date);
  v("date_of_birth", r.date_of_birth); v("place_of_birth", r.place_of_birth); v("last_name", r.last_name);
  v("first_name", r.first_name); v("notes", r.notes);
}

struct DriverLicenseData {
  static constexpr std::string_view variant_name = "DriverLicense";
  std::string license_number;
  OptionalText document_number;
  OptionalText issuing_authority;
  OptionalText expiry_date;
  OptionalText date_of_birth;
  OptionalText license_class;
  OptionalText last_name;
  OptionalText first_name;
  OptionalText notes;
  bool operator==(const DriverLicenseData&) const = default;
};
template <class V> void visit_fields(V& v, DriverLicenseData& r) {
  v("license_number", r.license_number); v("document_number", r.document_number);
  v("issuing_authority", r.issuing_authority); v("expiry_date", r.expiry_date);
  v("date_of_birth", r.date_of_birth); v("license_class", r.license_class); v("last_name", r.last_name);
  v("first_name", r.first_name); v("notes", r.notes);
}

struct HealthIDData {
  static constexpr std::string_view variant_name = "HealthID";
  std::string health_card_number;
  OptionalText document_number;
  OptionalText issuing_authority;
  OptionalText expiry_date;
  OptionalText date_of_birth;
  OptionalText last_name;
  OptionalText first_name;
  OptionalText notes;
  bool operator==(const HealthIDData&) const = default;
};
template <class V> void visit_fields(V& v, HealthIDData& r) {
  v("health_card_number", r.health_card_number); v("document_number", r.document_number);
  v("issuing_authority", r.issuing_authority); v("expiry_date", r.expiry_date);
  v("date_of_birth", r.date_of_birth); v("last_name", r.last_name); v("first_name", r.first_name);
  v("notes", r.notes);
}

struct ProfileData {
  static constexpr std::string_view variant_name = "Profile";
  OptionalText last_name;
  OptionalText first_name;
  OptionalText email;
  OptionalText phone;
  OptionalText address;
  OptionalText city;
  OptionalText country;
  OptionalText postal_code;
  OptionalText date_of_birth;
  OptionalText social_security_number;
  OptionalText tax_id;
  OptionalText notes;
  bool operator==(const ProfileData&) const = default;
};
template <class V> void visit_fields(V& v, ProfileData& r) {
  v("last_name", r.last_name); v("first_name", r.first_name); v("email", r.email); v("phone", r.phone);
  v("address", r.address); v("city", r.city); v("country", r.country); v("postal_code", r.postal_code);
  v("date_of_birth", r.date_of_birth); v("social_security_number", r.social_security_number);
  v("tax_id", r.tax_id); v("notes", r.notes);
}

struct ContactAddressData {
  static constexpr std::string_view variant_name = "ContactAddress";
  OptionalText address;
  OptionalText city;
  OptionalText country;
  OptionalText postal_code;
  OptionalText phone;
  OptionalText email;
  OptionalText notes;
  bool operator==(const ContactAddressData&) const = default;
};
template <class V> void visit_fields(V& v, ContactAddressData& r) {
  v("address", r.address); v("city", r.city); v("country", r.country); v("postal_code", r.postal_code);
  v("phone", r.phone); v("email", r.email); v("notes", r.notes);
}

struct NoteData {
  static constexpr std::string_view variant_name = "Note";
  std::string content;
  OptionalText notes;
  bool operator==(const NoteData&) const = default;
};
template <class V> void visit_fields(V& v, NoteData& r) {
  v("content", r.content); v("notes", r.notes);
}

struct RecoveryPhraseData {
  static constexpr std::string_view variant_name = "RecoveryPhrase";
  std::string mnemonic;
  OptionalText seed_phrase;
  OptionalText recovery_phrase;
  OptionalText backup_phrase;
  OptionalText notes;
  bool operator==(const RecoveryPhraseData&) const = default;
};
template <class V> void visit_fields(V& v, RecoveryPhraseData& r) {
  v("mnemonic", r.mnemonic); v("seed_phrase", r.seed_phrase); v("recovery_phrase", r.recovery_phrase);
  v("backup_phrase", r.backup_phrase); v("notes", r.notes);
}

struct ConfigSnippetData {
  static constexpr std::string_view variant_name = "ConfigSnippet";
  std::string content;
  OptionalText filename;
  OptionalText config_content;
  OptionalText notes;
  bool operator==(const ConfigSnippetData&) const = default;
};
template <class V> void visit_fields(V& v, ConfigSnippetData& r) {
  v("content", r.content); v("filename", r.filename); v("config_content", r.config_content); v("notes", r.notes);
}

// `content` is the document itself; the entry cache leaves these records
// sealed until they are asked for.
struct DocumentData {
  static constexpr std::string_view variant_name = "Document";
  std::string filename;
  std::string mime_type;
  std::vector<std::uint8_t> content;
  OptionalText notes;
  bool operator==(const DocumentData&) const = default;
};
template <class V> void visit_fields(V& v, DocumentData& r) {
  v("filename", r.filename); v("mime_type", r.mime_type); v("content", r.content); v("notes", r.notes);
}

struct WiFiData {
  static constexpr std::string_view variant_name = "WiFi";
  std::string ssid;
  std::string wifi_password;
  OptionalText security_type;
  OptionalText notes;
  bool operator==(const WiFiData&) const = default;
};
template <class V> void visit_fields(V& v, WiFiData& r) {
  v("ssid", r.ssid); v("wifi_password", r.wifi_password); v("security_type", r.security_type); v("notes", r.notes);
}

// Stored as the variant index (u32) then the variant's fields; the
// alternatives follow EntryType's order, which the check below enforces.
using EntryData = std::variant<PasswordData, SSHKeyData, PGPKeyData, TokenLoginData, PasskeyData,
                               RecoveryCodesData, CreditCardData, BankAccountData, CryptoWalletData,
                               NationalIDData, PassportData, DriverLicenseData, HealthIDData, ProfileData,
                               ContactAddressData, NoteData, RecoveryPhraseData, ConfigSnippetData,
                               DocumentData, WiFiData>;

static_assert([]<std::size_t... I>(std::index_sequence<I...>) {
  return ((std::variant_alternative_t<I, EntryData>::variant_name == entry_type_names[I]) && ...);
}(std::make_index_sequence<std::variant_size_v<EntryData>>{}) && std::variant_size_v<EntryData> == entry_type_names.size(),
              "EntryData alternatives must follow EntryType order");

// The kind whose variant `data` holds.
[[nodiscard]] inline EntryType entry_type_of(const EntryData& data) { return static_cast<EntryType>(data.index()); }

}  // namespace vantoro
