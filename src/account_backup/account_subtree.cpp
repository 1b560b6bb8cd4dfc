#include "account_backup/account_subtree.h"

#include <algorithm>

#include "account_backup/reg_file.h"
#include "platform/ascii_case.h"
#include "platform/strings.h"

namespace zelvane {

namespace {

// Whether the key's values leave it possibly a link: a link leads somewhere only through its
// value of this name and type, so a key without it is walked as the key it is. If it is a
// link all the same, it leads nowhere: nothing below it is another key's, and the erase
// deletes it by its own handle.
bool MayBeLink(const std::vector<RegistryValue>& values) {
    return std::any_of(values.begin(), values.end(), [](const RegistryValue& value) {
        return value.type == kRegLink && SameIgnoringAsciiCase(value.name, kLinkValueName);
    });
}

class SubtreeReader {
  public:
    SubtreeReader(Registry& registry, const AccountPlace& place, LinkRule rule, KeyAccess access,
                  AccountSubtree& read)
        : registry_(registry), place_(place), rule_(rule), access_(access), read_(read) {}

    // Opens the subkey `name` of parent, or the account's key at the place where parent is 0,
    // with the walk's rights. With the erase's rights, its values are asked for too, in one
    // handle; a key that refuses that is opened with the erase's rights alone, so that the
    // read fails exactly where the erase would, and its values go uncounted (readable is
    // then false).
    long Open(RegKey parent, const std::wstring& name, RegKey& key, bool& readable) {
        const auto open = [&](KeyAccess rights) {
            return parent == 0 ? registry_.OpenSubtree(place_.hive, place_.parent, name,
                                                       place_.view, rule_, rights, key)
                               : registry_.OpenSubkey(parent, name, rights, key);
        };
        readable = true;
        if (access_ == KeyAccess::kRead) return open(KeyAccess::kRead);
        const long result = open(KeyAccess::kEraseAndRead);
        if (result != kErrorAccessDenied) return result;
        readable = false;
        return open(KeyAccess::kErase);
    }

    // Reads key, found at path; named when every name on path can be written, so that the
    // key and its values go into the file. Anything below the account's own key that is not
    // there, though it was a moment ago, was changed while it was read.
    long Read(RegKey key, const std::wstring& path, bool named, bool readable, int depth) {
        if (depth > kMaxSubtreeDepth) return kErrorBadKey;
        ++read_.keyCount;
        std::vector<RegistryValue> values;
        long result = readable ? ReadValues(registry_, key, values) : kErrorSuccess;
        if (result != kErrorSuccess) return result;
        if (!readable || MayBeLink(values)) {
            bool link = false;
            std::wstring target;
            result = registry_.LinkTarget(key, link, target);
            if (result != kErrorSuccess) return result;
            if (link) {
                read_.links.push_back({path, target});
                return kErrorSuccess;
            }
        }
        if (!readable) ++read_.uncounted;
        read_.valueCount += static_cast<int>(values.size());
        if (named) Keep(path, values);
        std::vector<std::wstring> names;
        result = ReadNames(key, names);
        if (result != kErrorSuccess) return result;
        for (const std::wstring& name : names) {
            const std::wstring below = Joined({path, L"\\", name});
            RegKey subkey = 0;
            bool subkeyReadable = true;
            result = Open(key, name, subkey, subkeyReadable);
            if (result == kErrorSuccess) {
                const bool writable = named && CanHoldName(name);
                if (named && !writable) read_.leftOut.push_back({below, L"", false});
                result = Read(subkey, below, writable, subkeyReadable, depth + 1);
                registry_.CloseKey(subkey);
            }
            if (IsNotThere(result)) return kErrorChangedWhileRead;
            if (result != kErrorSuccess) return result;
        }
        return kErrorSuccess;
    }

  private:
    long ReadNames(RegKey key, std::vector<std::wstring>& names) {
        for (std::int32_t index = 0;; ++index) {
            wchar_t name[kMaxKeyName + 1];
            std::uint32_t size = kMaxKeyName + 1;
            const long result = registry_.EnumKey(key, index, name, size);
            if (result == kErrorNoMoreItems) return kErrorSuccess;
            if (result != kErrorSuccess) return result;
            names.push_back(std::wstring(name, size));
        }
    }

    // The key and the values the file can hold; the others are named as left out.
    void Keep(const std::wstring& path, std::vector<RegistryValue>& values) {
        SubtreeKey& kept = read_.keys.emplace_back(SubtreeKey{path, {}});
        for (RegistryValue& value : values) {
            if (CanHoldName(value.name)) {
                kept.values.push_back(std::move(value));
            } else {
                read_.leftOut.push_back({path, value.name, true});
            }
        }
    }

    Registry& registry_;
    const AccountPlace& place_;
    LinkRule rule_;
    KeyAccess access_;
    AccountSubtree& read_;
};

}  // namespace

long ReadValues(Registry& registry, RegKey key, std::vector<RegistryValue>& values) {
    for (std::int32_t index = 0;; ++index) {
        RegistryValue value;
        const long result = registry.EnumValue(key, index, value);
        if (result == kErrorNoMoreItems) return kErrorSuccess;
        if (result != kErrorSuccess) return result;
        values.push_back(std::move(value));
    }
}

AccountSubtree ReadAccountSubtree(Registry& registry, const AccountPlace& place,
                                  const std::wstring& uin, LinkRule rule, KeyAccess access) {
    AccountSubtree read;
    SubtreeReader reader(registry, place, rule, access, read);
    RegKey key = 0;
    bool readable = true;
    read.result = reader.Open(0, uin, key, readable);
    if (read.result != kErrorSuccess) return read;
    // A key made or deleted anywhere below while the walk goes on can move the keys after it
    // in an enumeration by one, so that one is read twice or not at all: the watch tells. A
    // key that refuses to be watched (a right the erase does not need) is read without.
    RegWatch watch = 0;
    const bool watched = registry.WatchSubkeys(key, true, watch) == kErrorSuccess;
    const bool named = CanHoldName(uin);
    if (!named) read.leftOut.push_back({uin, L"", false});
    read.result = reader.Read(key, uin, named, readable, 1);
    if (watched && registry.EndWatch(watch) && read.result == kErrorSuccess) {
        read.result = kErrorChangedWhileRead;
    }
    registry.CloseKey(key);
    return read;
}

}  // namespace zelvane
