#include "biometric_auth/utf8.hpp"

#include <gtest/gtest.h>

#include <string_view>

#include "fake_platform.hpp"

namespace vantoro::biometric_auth {
namespace {

TEST(Utf8Test, AcceptsWellFormedAndRejectsEverythingElse) {
  const std::pair<std::string_view, bool> cases[] = {
      {"", true},
      {"plain ascii", true},
      {"\xC3\xA9", true},                // U+00E9
      {"\xE2\x82\xAC", true},            // U+20AC
      {"\xF0\x9F\x94\x91", true},        // U+1F511
      {"\xF4\x8F\xBF\xBF", true},        // U+10FFFF
      {"\x80", false},                   // stray continuation
      {"\xC3", false},                   // cut short
      {"\xE2\x82", false},
      {"\xC3(", false},                  // continuation missing
      {"\xC0\xAF", false},               // overlong
      {"\xE0\x80\xAF", false},
      {"\xF0\x80\x80\xAF", false},
      {"\xED\xA0\x80", false},           // surrogate U+D800
      {"\xF4\x90\x80\x80", false},       // above U+10FFFF
      {"\xF8\x88\x80\x80\x80", false},   // five-byte form
      {"\xFF", false},
  };
  for (const auto& [text, valid] : cases) {
    EXPECT_EQ(isValidUtf8(testing::bytes(text)), valid) << ::testing::PrintToString(text);
  }
}

}  // namespace
}  // namespace vantoro::biometric_auth
