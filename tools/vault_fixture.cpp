// Writes sample vaults:
//   vault-fixture sample <path> [password]          all twenty entry kinds
//   vault-fixture large <path> <count> [password]   <count> entries of every kind in turn
// The password defaults to the checker's built-in default.
#include <cstdlib>
#include <iostream>
#include <string>

#include "checker/compat_check.hpp"
#include "support/sample_entries.hpp"
#include "support/vault_builder.hpp"

namespace {

int usage() {
  std::cerr << "usage: vault-fixture sample <path> [password]\n"
               "       vault-fixture large <path> <count> [password]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vantoro;
  if (argc < 3) return usage();
  const std::string mode = argv[1];
  const std::string path = argv[2];
  std::size_t count = 0;
  int password_arg = 3;
  if (mode == "large") {
    if (argc < 4) return usage();
    count = std::strtoull(argv[3], nullptr, 10);
    password_arg = 4;
  } else if (mode != "sample") {
    return usage();
  }
  const std::string password = argc > password_arg ? argv[password_arg] : checker::default_password();

  testing::VaultBuilder builder(password);
  if (mode == "sample") {
    for (const auto& entry : testing::sample_entries_of_every_kind()) builder.add(entry);
  } else {
    for (std::size_t i = 0; i < count; ++i) {
      const auto kind = static_cast<EntryType>(i % entry_type_names.size());
      builder.add(testing::sample_entry(kind, static_cast<std::uint32_t>(i)));
    }
  }
  builder.write(path);
  return 0;
}
