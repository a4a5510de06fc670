#include "checker/compat_check.hpp"

#include <sys/stat.h>

#include <asio/co_spawn.hpp>
#include <asio/thread_pool.hpp>
#include <asio/use_future.hpp>
#include <filesystem>
#include <optional>

#include "storage/storage_manager.hpp"

namespace vantoro::checker {
namespace {

// A protected field still masked reads exactly as eight U+2022 BULLETs.
constexpr std::string_view mask_placeholder = "\u2022\u2022\u2022\u2022\u2022\u2022\u2022\u2022";

// Cuts `text` to at most `limit` bytes without splitting a UTF-8 character.
std::string_view cut(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text;
  while (limit > 0 && (static_cast<unsigned char>(text[limit]) & 0xC0) == 0x80) --limit;
  return text.substr(0, limit);
}

void print_decrypted(std::ostream& out, std::string_view label, std::string_view value) {
  out << "   Decrypted " << label << ": " << value_preview(value) << " (length: " << value.size() << ")\n";
}

void print_required_field(std::ostream& out, std::string_view label, std::string_view value, std::string_view empty_line) {
  if (value.empty()) {
    out << "   ERROR: " << empty_line << "\n";
  } else if (value == mask_placeholder) {
    out << "   Note: " << label << " still masked (expected for list_entries)\n"
        << "   Hint: use decrypt_entry() for the real value\n";
  } else {
    print_decrypted(out, label, value);
  }
}

void print_optional_field(std::ostream& out, std::string_view label, const std::optional<std::string>& value) {
  if (!value) {
    out << "   " << label << ": not set\n";
  } else if (value->empty()) {
    out << "   Note: " << label << " empty (optional field)\n";
  } else if (*value == mask_placeholder) {
    out << "   Note: " << label << " still masked (expected for list_entries)\n";
  } else {
    print_decrypted(out, label, *value);
  }
}

void print_entry(std::ostream& out, std::size_t position, const Entry& entry) {
  out << "Entry " << position << ": " << entry.title << "\n"
      << "   ID: " << entry.id.to_string() << "\n"
      << "   Type: " << entry_type_name(entry.entry_type) << "\n"
      << "   Checking protected fields...\n";
  print_kind_checks(out, entry);
  out << "\n";
}

// Steps 6 onwards: everything that goes through the storage service.
asio::awaitable<Result<void>> check_vault(storage::StorageManager& storage, const std::string& path,
                                          const std::string& password, std::ostream& out) {
  out << "Unlocking vault...\n";
  auto info = co_await storage.open_vault(std::filesystem::path(path), password);
  if (!info) co_return std::unexpected(info.error());
  out << "Vault unlocked\n"
      << "   Name: " << info->name << "\n"
      << "   Entry count: " << info->entry_count << "\n\n"
      << "Decrypted entry list (unmasked):\n";

  auto entries = co_await storage.list_entries_unmasked();
  if (!entries) co_return std::unexpected(entries.error());
  if (entries->empty()) {
    out << "No entries in vault\n";
    co_return Result<void>{};
  }
  out << "   Found " << entries->size() << " entry(ies)\n\n";
  for (std::size_t i = 0; i < entries->size(); ++i) print_entry(out, i + 1, (*entries)[i]);

  out << "Locking vault...\n";
  auto locked = co_await storage.lock_vault();
  if (!locked) co_return locked;
  out << "Vault locked\n\nTest finished successfully\n";
  co_return Result<void>{};
}

}  // namespace

// Built at run time so the default is not one literal in the binary.
std::string default_password() {
  std::string password = "quorvel";
  password.push_back('0' + 8);
  return password;
}

std::string password_preview(std::string_view password) {
  if (password.size() < 5) return "***";
  return std::string(cut(password, 4)) + "...";
}

std::string value_preview(std::string_view value) {
  if (value.size() <= 10) return std::string(value);
  return std::string(cut(value, 10)) + "...";
}

void print_kind_checks(std::ostream& out, const Entry& entry) {
  if (const auto* login = std::get_if<PasswordData>(&entry.data)) {
    out << "   Password entry checks...\n";
    print_required_field(out, "password", login->password, "password field is empty");
    if (login->username) out << "   Username: " << *login->username << "\n";
  } else if (const auto* id = std::get_if<NationalIDData>(&entry.data)) {
    out << "   National ID checks...\n";
    print_required_field(out, "id_number", id->id_number, "id_number is empty");
    print_optional_field(out, "document_number", id->document_number);
    print_optional_field(out, "personal_code", id->personal_code);
  } else {
    out << "   Entry type not covered by this script\n";
  }
}

int run_compat_check(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
  out << "iOS / desktop compatibility test\n================================\n\n";
  const std::string path = args.size() > 0 ? args[0] : std::string(default_vault_path);
  struct stat metadata{};
  if (::stat(path.c_str(), &metadata) != 0) {
    out << "Error: vault file does not exist: " << debug_quoted(path) << "\n";
    return 1;
  }
  const std::string password = args.size() > 1 ? args[1] : default_password();
  out << "Vault path: " << debug_quoted(path) << "\n"
      << "Password: " << password_preview(password) << "\n\n";

  std::optional<asio::thread_pool> runtime;
  try {
    runtime.emplace();
  } catch (const std::exception&) {
    err << "Failed building the Runtime\n";
    return 1;
  }
  Result<void> result;
  {
    storage::StorageManager storage(runtime->get_executor());
    result = asio::co_spawn(*runtime, check_vault(storage, path, password, out), asio::use_future).get();
  }  // the storage manager is released before the error is reported
  runtime->join();
  if (!result) {
    err << "Error: " << result.error().debug() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace vantoro::checker
