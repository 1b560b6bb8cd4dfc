#pragma once

#include <cstdint>
#include <string>

#include <windows.h>

#include "platform/registry.h"

namespace zelvane {

// The predefined hive for its 32-bit value. On 64-bit Windows the predefined handles are
// sign-extended, so 0x80000001 must become 0xFFFFFFFF80000001 to be HKEY_CURRENT_USER.
inline HKEY HiveHandle(std::int32_t root) {
    return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(root));
}

// The registry wrappers, one Win32 call each (the 32-bit view of a delete takes two).
class Win32Registry : public Registry {
  public:
    long OpenKey(std::int32_t root, const std::string& path, RegKey& key) override;
    long EnumKey(RegKey key, std::int32_t index, char* name, std::uint32_t& size) override;
    long CloseKey(RegKey key) override;
    long DeleteTree(std::int32_t root, const std::string& path, RegistryView view) override;
};

}  // namespace zelvane
