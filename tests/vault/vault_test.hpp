#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "format/secure_format.hpp"
#include "format/temp_dir.hpp"
#include "support/vault_builder.hpp"

namespace vantoro::testing {

inline constexpr std::string_view vault_password = "correct horse";

inline std::vector<std::uint8_t> read_bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

inline void write_bytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The names of the files in `dir`, sorted.
inline std::vector<std::string> file_names(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& item : std::filesystem::directory_iterator(dir)) names.push_back(item.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A fresh directory per test with the vault file "v.qolty" in it.
class VaultTest : public format::testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    path_ = dir_ / "v.qolty";
  }

  // Writes the builder's vault and opens it (one key derivation each).
  std::unique_ptr<format::SecureVaultFormat> open_built(const VaultBuilder& builder) {
    builder.write(path_);
    return open_file();
  }

  std::unique_ptr<format::SecureVaultFormat> open_file() {
    // Neither copyable nor movable: made in place.
    std::unique_ptr<format::SecureVaultFormat> vault(
        new format::SecureVaultFormat(format::SecureVaultFormat::new_v4(Uuid{})));
    auto opened = vault->open_vault(path_, vault_password);
    EXPECT_TRUE(opened) << opened.error().display();
    return vault;
  }

  std::filesystem::path path_;
};

}  // namespace vantoro::testing
