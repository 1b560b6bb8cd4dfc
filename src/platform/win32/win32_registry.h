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

// The registry wrappers over the wide functions and the native ones they lack, one call each
// but for DeleteTree, which walks the subtree itself so that it never follows a link, the
// link check and the watch.
class Win32Registry : public Registry {
  public:
    long OpenKey(std::int32_t root, const std::wstring& path, RegKey& key,
                 RegistryView view = RegistryView::kNative,
                 LinkRule links = LinkRule::kFollowAboveAccount) override;
    long EnumKey(RegKey key, std::int32_t index, wchar_t* name, std::uint32_t& size) override;
    long CloseKey(RegKey key) override;
    DeleteResult DeleteTree(std::int32_t root, const std::wstring& parentPath,
                            const std::wstring& name, RegistryView view, LinkRule links) override;
    long OpenSubtree(std::int32_t root, const std::wstring& parentPath, const std::wstring& name,
                     RegistryView view, LinkRule links, KeyAccess access, RegKey& key) override;
    long OpenSubkey(RegKey key, const std::wstring& name, KeyAccess access,
                    RegKey& subkey) override;
    long LinkTarget(RegKey key, bool& link, std::wstring& target) override;
    long EnumValue(RegKey key, std::int32_t index, RegistryValue& value) override;
    long DeleteKey(RegKey key) override;
    long CreateKey(RegKey key, const std::wstring& name, RegKey& subkey) override;
    long SetValue(RegKey key, const RegistryValue& value) override;
    long WatchSubkeys(RegKey key, bool subtree, RegWatch& watch) override;
    bool EndWatch(RegWatch watch) override;
    bool Is64BitWindows() const override;
};

}  // namespace zelvane
