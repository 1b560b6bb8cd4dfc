#pragma once

// Stand-in for the shared erase module until it lands: the same declarations, the simplest
// definitions.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace zelvane {

enum class LinkRule { kFollowAboveAccount, kFollowNone };
constexpr long kErrorKeyDeleted = 1018;
constexpr long kErrorRegistryLink = 0x20000001;

enum class PlaceScope { kUser, kShared };

struct AccountPlace {
    std::int32_t hive;
    std::wstring parent;
    RegistryView view;
    PlaceScope scope;
};

std::wstring ShownAs(const AccountPlace& place);
std::vector<AccountPlace> CurrentUserPlaces();
std::vector<AccountPlace> UserHivePlaces(const std::wstring& userKey,
                                         const std::wstring& classesKey);
std::vector<AccountPlace> SharedPlaces();

}  // namespace zelvane
