#pragma once

#include <cstdint>
#include <string>

#include "platform/registry.h"

namespace zelvane {

// Where an account must be erased from, written out as a user would find it, in the
// window's order: the tests check the program's own table against this one.
struct ExpectedPlace {
    std::int32_t hive;
    std::wstring parent;
    RegistryView view;
};

inline const ExpectedPlace kExpectedPlaces[] = {
    {kHkeyCurrentUser, L"Software\\Mirabilis\\ICQ\\NewOwners", RegistryView::kNative},
    {kHkeyUsers, L".DEFAULT\\Software\\Mirabilis\\ICQ\\NewOwners", RegistryView::kNative},
    {kHkeyLocalMachine, L"SOFTWARE\\Mirabilis\\ICQ\\NewOwners", RegistryView::k32Bit},
    {kHkeyCurrentUser,
     L"Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\Wow6432Node\\Mirabilis\\ICQ\\NewOwners",
     RegistryView::kNative},
    {kHkeyCurrentUser,
     L"Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\Mirabilis\\ICQ\\NewOwners",
     RegistryView::kNative},
};

}  // namespace zelvane
