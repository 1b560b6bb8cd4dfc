#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/result_codes.h"

namespace zelvane {

// Predefined hive handles, as their 32-bit values.
constexpr std::int32_t kHkeyCurrentUser = static_cast<std::int32_t>(0x80000001u);
constexpr std::int32_t kHkeyLocalMachine = static_cast<std::int32_t>(0x80000002u);
constexpr std::int32_t kHkeyUsers = static_cast<std::int32_t>(0x80000003u);

// An open key; 0 is no key.
using RegKey = std::uintptr_t;

// A watch over a key's subkeys (Registry::WatchSubkeys); 0 is none.
using RegWatch = std::uintptr_t;

// Which view of the registry a path names. On 64-bit Windows a 32-bit program's keys
// under the machine hive live in the 32-bit view.
enum class RegistryView { kNative, k32Bit };

// How DeleteTree reaches the account's key.
enum class LinkRule {
    // The user's own erase: a link above the account is followed, as the messenger follows
    // it. Whoever could make that link could delete the account anyway.
    kFollowAboveAccount,
    // With more rights than the hive's owner (as administrator, or for every user): the
    // owner could point a link anywhere the erase may delete, so a link anywhere on the path
    // from the hive's root to the account refuses the place (kErrorRegistryLink).
    kFollowNone,
};

// What deleting a subtree did: the result code, and whether some keys below the account
// went although the account's key (and the rest) remains.
struct DeleteResult {
    long result = 0;
    bool partly = false;
};

// Value types the program tells apart.
enum RegistryType : std::uint32_t {
    kRegNone = 0,
    kRegSz = 1,
    kRegExpandSz = 2,
    kRegBinary = 3,
    kRegDword = 4,
    kRegLink = 6,
    kRegMultiSz = 7,
    kRegQword = 11,
};

// A value as the registry holds it: its name (empty for the key's default value), its type
// and its bytes, exactly.
struct RegistryValue {
    std::wstring name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;

    bool operator==(const RegistryValue&) const = default;
};

// The rights a key below an account is opened with, as the registry's access masks. The
// erase needs of each key only its subkeys' names and the right to delete it; /whatif walks
// with those same rights, so that it meets exactly what the erase meets.
enum class KeyAccess : std::uint32_t {
    kErase = 0x00010008,         // DELETE | KEY_ENUMERATE_SUB_KEYS
    kEraseAndRead = 0x00010009,  // the same and KEY_QUERY_VALUE: values read by the deleter
    kRead = 0x00020019,          // KEY_READ: subkeys and values, for a backup
};

// The rights to list a key's subkeys (KEY_ENUMERATE_SUB_KEYS), which a listing asks for, and
// to read its values (KEY_QUERY_VALUE).
constexpr std::uint32_t kKeyEnumerateSubKeys = 0x0008;
constexpr std::uint32_t kKeyQueryValue = 0x0001;

// The value that makes a registry link lead somewhere, of type kRegLink: the target's name.
constexpr wchar_t kLinkValueName[] = L"SymbolicLinkValue";

// Registry nesting ends 512 levels below a hive's root, so no real subtree below an account
// is deeper: every walk of one stops there, whatever the names lead to, rather than let any
// key run the stack out.
constexpr int kMaxSubtreeDepth = 512;

// The longest key name the registry holds, in UTF-16 code units, without its NUL.
constexpr std::uint32_t kMaxKeyName = 255;

// Thin wrappers over the wide registry functions. Paths and names are UTF-16 as the
// registry holds them; every call returns the function's own result code.
class Registry {
  public:
    virtual ~Registry() = default;
    // Opens root\path to enumerate its subkeys; key stays 0 when the open fails. With
    // kFollowNone a link anywhere on the path, the key itself included, refuses the open
    // (kErrorRegistryLink), as DeleteTree refuses a place; otherwise links are followed.
    virtual long OpenKey(std::int32_t root, const std::wstring& path, RegKey& key,
                         RegistryView view = RegistryView::kNative,
                         LinkRule links = LinkRule::kFollowAboveAccount) = 0;
    // RegEnumKeyExW: writes the index-th subkey name and a NUL into name[0..size), and the
    // name's length, without the NUL, into size.
    virtual long EnumKey(RegKey key, std::int32_t index, wchar_t* name, std::uint32_t& size) = 0;
    virtual long CloseKey(RegKey key) = 0;
    // Deletes the subkey `name` of root\parentPath with all its subkeys and values. Links on
    // parentPath are followed or refused as `links` says; the subkey itself, and every key
    // below it that is a link, is removed as the link, never followed, so nothing outside
    // the subtree is touched. A key that is not there gives kErrorFileNotFound (or
    // kErrorPathNotFound for its parent). Every key below is tried once; the first failure
    // is the result.
    virtual DeleteResult DeleteTree(std::int32_t root, const std::wstring& parentPath,
                                    const std::wstring& name, RegistryView view,
                                    LinkRule links) = 0;

    // Reading an account's subtree, as DeleteTree walks it. OpenSubtree opens the subkey
    // `name` of root\parentPath as DeleteTree reaches it: links on parentPath followed or
    // refused as `links` says, the key itself opened as a link if it is one.
    virtual long OpenSubtree(std::int32_t root, const std::wstring& parentPath,
                             const std::wstring& name, RegistryView view, LinkRule links,
                             KeyAccess access, RegKey& key) = 0;
    // Opens the subkey of key named exactly `name` (a NUL in it counted), a link as the link.
    virtual long OpenSubkey(RegKey key, const std::wstring& name, KeyAccess access,
                            RegKey& subkey) = 0;
    // Whether a key opened by OpenSubtree or OpenSubkey is a registry link, as the key itself
    // tells, whatever values it holds; target is then where it leads, as the registry names
    // it (empty when the link's value cannot be read with the key's rights). It asks the
    // registry more than once: a walk asks it only of a key that may be a link.
    virtual long LinkTarget(RegKey key, bool& link, std::wstring& target) = 0;
    // RegEnumValueW: the index-th value of key, name and bytes whole.
    virtual long EnumValue(RegKey key, std::int32_t index, RegistryValue& value) = 0;
    // Deletes the key of an open handle (one opened with the erase's rights), the link itself
    // if it is one. A key that has subkeys is not deleted (kErrorAccessDenied).
    virtual long DeleteKey(RegKey key) = 0;
    // Starts watching key for subkeys made or deleted below it: its own, or with subtree
    // those of every key below it too. The key must grant KEY_NOTIFY; the handle needs no
    // right of its own.
    virtual long WatchSubkeys(RegKey key, bool subtree, RegWatch& watch) = 0;
    // Whether a subkey was made or deleted since the watch started (or the key itself was
    // deleted); ends the watch.
    virtual bool EndWatch(RegWatch watch) = 0;
    // Making keys, for a restore. CreateKey makes the subkey of key named exactly `name` (a NUL
    // in it counted), new, and opens it to make keys and set values below it; key needs no
    // right of its own, since the registry asks the key's DACL. A key of that name that is
    // there already, a link among them, is not opened (kErrorAlreadyExists), so nothing is
    // ever made through one.
    virtual long CreateKey(RegKey key, const std::wstring& name, RegKey& subkey) = 0;
    // Sets a value of a key CreateKey made: its name, type and bytes exactly.
    virtual long SetValue(RegKey key, const RegistryValue& value) = 0;
    // Whether Windows is 64-bit, for the exe of either width: there the machine's SOFTWARE key
    // has a 32-bit view of its own, which regedit and reg.exe show as SOFTWARE\Wow6432Node.
    virtual bool Is64BitWindows() const = 0;
};

}  // namespace zelvane
