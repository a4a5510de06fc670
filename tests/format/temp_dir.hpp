#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace vantoro::format::testing {

// A fresh directory per test, removed afterwards, with a tiny vocabulary for
// writing and cutting files in it.
class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("vantoro_" + std::string(info->test_suite_name()) + "_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // Writes `bytes` as the file `name` and returns its path.
  std::filesystem::path write(const std::vector<std::uint8_t>& bytes, const std::string& name = "vault.qolty") {
    const auto path = dir_ / name;
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  std::filesystem::path dir_;
};

}  // namespace vantoro::format::testing
