#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantoro::biometric_auth::platform {

using OSStatus = std::int32_t;

// Status codes of the keychain services that the bridge tells apart.
namespace sec_status {
inline constexpr OSStatus success = 0;
inline constexpr OSStatus param = -50;
inline constexpr OSStatus duplicateItem = -25299;
inline constexpr OSStatus itemNotFound = -25300;
}  // namespace sec_status

enum class ItemClass { genericPassword };
enum class Accessibility { whenUnlockedThisDeviceOnly };

// Names one item: class, service and account must all match.
struct ItemQuery {
  ItemClass itemClass;
  std::string service;
  std::string account;

  auto operator<=>(const ItemQuery&) const = default;
};

// The attributes given to add, or the changes given to update: an attribute
// that is not set is left as it is.
struct ItemAttributes {
  std::optional<Accessibility> accessible;
  std::optional<std::vector<std::uint8_t>> valueData;
};

// What copyMatching found: `data` is the item's value data when the status is
// success and the item had data.
struct CopyResult {
  OSStatus status;
  std::optional<std::vector<std::uint8_t>> data;
};

// The user's keychain. Calls are synchronous; implementations are safe to call
// from several threads.
class Keychain {
 public:
  virtual ~Keychain() = default;

  // duplicateItem when an item matching `query` exists.
  [[nodiscard]] virtual OSStatus add(const ItemQuery& query, const ItemAttributes& attributes) = 0;
  // itemNotFound when no item matches.
  [[nodiscard]] virtual OSStatus update(const ItemQuery& query, const ItemAttributes& changes) = 0;
  // The data of the one matching item, or itemNotFound.
  [[nodiscard]] virtual CopyResult copyMatching(const ItemQuery& query) = 0;
  // itemNotFound when no item matches.
  [[nodiscard]] virtual OSStatus deleteItem(const ItemQuery& query) = 0;
};

}  // namespace vantoro::biometric_auth::platform
