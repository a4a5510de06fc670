#include "biometric_auth/platform/memory_keychain.hpp"

#include <gtest/gtest.h>

#include "fake_platform.hpp"

namespace vantoro::biometric_auth::platform {
namespace {

using testing::bytes;

const ItemQuery kItem{ItemClass::genericPassword, "service", "account"};

TEST(MemoryKeychainTest, KeepsOneItemPerQueryWithTheKeychainStatuses) {
  MemoryKeychain keychain;
  EXPECT_EQ(keychain.copyMatching(kItem).status, sec_status::itemNotFound);
  EXPECT_EQ(keychain.update(kItem, {std::nullopt, bytes("x")}), sec_status::itemNotFound);
  EXPECT_EQ(keychain.deleteItem(kItem), sec_status::itemNotFound);

  EXPECT_EQ(keychain.add(kItem, {Accessibility::whenUnlockedThisDeviceOnly, bytes("first")}),
            sec_status::success);
  EXPECT_EQ(keychain.add(kItem, {std::nullopt, bytes("again")}), sec_status::duplicateItem);
  EXPECT_EQ(keychain.copyMatching(kItem).data, bytes("first"));

  EXPECT_EQ(keychain.update(kItem, {std::nullopt, bytes("second")}), sec_status::success);
  const CopyResult found = keychain.copyMatching(kItem);
  EXPECT_EQ(found.status, sec_status::success);
  EXPECT_EQ(found.data, bytes("second"));

  EXPECT_EQ(keychain.deleteItem(kItem), sec_status::success);
  EXPECT_EQ(keychain.copyMatching(kItem).status, sec_status::itemNotFound);
}

TEST(MemoryKeychainTest, ItemsOfAnotherServiceOrAccountAreSeparate) {
  MemoryKeychain keychain;
  ASSERT_EQ(keychain.add(kItem, {std::nullopt, bytes("mine")}), sec_status::success);
  for (const ItemQuery& other : {ItemQuery{ItemClass::genericPassword, "other", "account"},
                                 ItemQuery{ItemClass::genericPassword, "service", "other"}}) {
    EXPECT_EQ(keychain.copyMatching(other).status, sec_status::itemNotFound);
    EXPECT_EQ(keychain.add(other, {std::nullopt, bytes("theirs")}), sec_status::success);
  }
  EXPECT_EQ(keychain.copyMatching(kItem).data, bytes("mine"));
}

}  // namespace
}  // namespace vantoro::biometric_auth::platform
