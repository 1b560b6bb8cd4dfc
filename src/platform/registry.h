#pragma once

#include <cstdint>
#include <string>

namespace zelvane {

// Predefined hive handles, as their 32-bit values.
constexpr std::int32_t kHkeyCurrentUser = static_cast<std::int32_t>(0x80000001u);
constexpr std::int32_t kHkeyLocalMachine = static_cast<std::int32_t>(0x80000002u);
constexpr std::int32_t kHkeyUsers = static_cast<std::int32_t>(0x80000003u);

// Registry result codes the program tells apart.
enum RegistryResult : long {
    kErrorSuccess = 0,
    kErrorFileNotFound = 2,
    kErrorPathNotFound = 3,
    kErrorAccessDenied = 5,
    kErrorInvalidHandle = 6,
    kErrorMoreData = 234,
    kErrorNoMoreItems = 259,
};

// An open key; 0 is no key.
using RegKey = std::uintptr_t;

// Which view of the registry a path names. On 64-bit Windows a 32-bit program's keys
// under the machine hive live in the 32-bit view.
enum class RegistryView { kNative, k32Bit };

// Thin wrappers over the ANSI registry functions; paths and names are in the system
// ANSI code page and every call returns the function's own result code.
class Registry {
  public:
    virtual ~Registry() = default;
    // RegOpenKeyA: key stays 0 when the open fails.
    virtual long OpenKey(std::int32_t root, const std::string& path, RegKey& key) = 0;
    // RegEnumKeyExA: writes the index-th subkey name into name[0..size) and its length
    // into size. A character the code page lacks comes back as '?', never as a look-alike.
    virtual long EnumKey(RegKey key, std::int32_t index, char* name, std::uint32_t& size) = 0;
    // RegCloseKey.
    virtual long CloseKey(RegKey key) = 0;
    // SHDeleteKeyA: deletes the key with all its subkeys and values.
    virtual long DeleteTree(std::int32_t root, const std::string& path, RegistryView view) = 0;
};

}  // namespace zelvane
