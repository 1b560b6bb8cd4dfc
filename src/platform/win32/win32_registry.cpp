#include "platform/win32/win32_registry.h"

#include <shlwapi.h>

#include "platform/win32/win32_runtime.h"

namespace zelvane {

namespace {

HKEY KeyHandle(RegKey key) {
    return reinterpret_cast<HKEY>(key);
}

// Deletes root\path in the 32-bit view. SHDeleteKeyA has no view argument, so the parent
// is opened in the 32-bit view and the last component is deleted below that handle: every
// key it opens from there lies in the same view.
long DeleteTree32(std::int32_t root, const std::string& path) {
    const std::string::size_type slash = path.rfind('\\');
    const std::string parentPath =
        slash == std::string::npos ? std::string() : path.substr(0, slash);
    const std::string leaf = slash == std::string::npos ? path : path.substr(slash + 1);

    HKEY parent = nullptr;
    const LONG opened = RegOpenKeyExA(
        HiveHandle(root), parentPath.c_str(), 0,
        KEY_WOW64_32KEY | DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE,
        &parent);
    if (opened != ERROR_SUCCESS) return opened;
    const long result = static_cast<long>(SHDeleteKeyA(parent, leaf.c_str()));
    RegCloseKey(parent);
    return result;
}

}  // namespace

long Win32Registry::OpenKey(std::int32_t root, const std::string& path, RegKey& key) {
    // Passed by reference as the call takes it: the function decides what the handle holds
    // after a failed open (it clears it).
    HKEY handle = KeyHandle(key);
    const LONG result = RegOpenKeyA(HiveHandle(root), path.c_str(), &handle);
    key = reinterpret_cast<RegKey>(handle);
    return result;
}

// The name is read in UTF-16 and converted to the ANSI code page without best fit.
// RegEnumKeyExA converts with best fit, so a key named by full-width digits would come back
// as the plain digits: the name of another account, which Erase would then delete. Here a
// character the code page lacks becomes '?', which no account name holds. The results are
// RegEnumKeyExA's: ERROR_MORE_DATA when the ANSI name and its NUL do not fit in size bytes.
long Win32Registry::EnumKey(RegKey key, std::int32_t index, char* name, std::uint32_t& size) {
    wchar_t wide[256];
    DWORD length = 256;
    const LONG result = RegEnumKeyExW(KeyHandle(key), static_cast<DWORD>(index), wide, &length,
                                      nullptr, nullptr, nullptr, nullptr);
    if (result != ERROR_SUCCESS) return result;
    const std::string ansi = ToAnsi(std::wstring_view(wide, length)).bytes;
    if (ansi.size() + 1 > size) return ERROR_MORE_DATA;
    ansi.copy(name, ansi.size());
    name[ansi.size()] = '\0';
    size = static_cast<std::uint32_t>(ansi.size());
    return ERROR_SUCCESS;
}

long Win32Registry::CloseKey(RegKey key) {
    return RegCloseKey(KeyHandle(key));
}

long Win32Registry::DeleteTree(std::int32_t root, const std::string& path, RegistryView view) {
    if (view == RegistryView::k32Bit) return DeleteTree32(root, path);
    return static_cast<long>(SHDeleteKeyA(HiveHandle(root), path.c_str()));
}

}  // namespace zelvane
