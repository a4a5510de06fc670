#pragma once

#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "models/entry.hpp"

namespace vantoro::checker {

// The compatibility checker: opens a vault through the storage service as the
// desktop application would, prints every entry with its protected fields,
// checks Password and NationalID fields, and locks the vault. Writes the
// report to `out`, one "Error: {}" line to `err` on failure, and returns the
// exit status (0 or 1). `args` are the command-line arguments after the
// program name: the vault path and the password, both optional.
[[nodiscard]] int run_compat_check(std::span<const std::string> args, std::ostream& out, std::ostream& err);

// "***" below 5 bytes, else the first 4 bytes and "...".
[[nodiscard]] std::string password_preview(std::string_view password);
// The whole value up to 10 bytes, else the first 10 bytes and "...".
[[nodiscard]] std::string value_preview(std::string_view value);

// The kind-specific lines of one entry ("   Password entry checks...", ...).
void print_kind_checks(std::ostream& out, const Entry& entry);

// The built-in defaults used when the arguments are missing.
inline constexpr std::string_view default_vault_path = "mdp.qolty";
[[nodiscard]] std::string default_password();

}  // namespace vantoro::checker
