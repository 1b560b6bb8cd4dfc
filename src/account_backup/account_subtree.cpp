#include "account_backup/account_subtree.h"

#include "account_backup/reg_file.h"

namespace zelvane {

namespace {

class SubtreeReader {
  public:
    SubtreeReader(Registry& registry, KeyAccess access, AccountSubtree& read)
        : registry_(registry), access_(access), read_(read) {}

    // Reads key, found at path; named when every name on path can be written, so that the
    // key and its values go into the file.
    long Read(RegKey key, const std::wstring& path, bool named, int depth) {
        if (depth > kMaxSubtreeDepth) return kErrorBadKey;
        ++read_.keyCount;
        bool link = false;
        std::wstring target;
        long result = registry_.LinkTarget(key, link, target);
        if (result != kErrorSuccess) return result;
        if (link) {
            read_.links.push_back({path, target});
            return kErrorSuccess;
        }
        std::size_t entry = read_.keys.size();
        if (named) read_.keys.push_back({path, {}});
        result = ReadValues(key, path, named ? &read_.keys[entry].values : nullptr);
        if (result != kErrorSuccess) return result;
        std::vector<std::wstring> names;
        for (std::int32_t index = 0;; ++index) {
            wchar_t name[kMaxKeyName + 1];
            std::uint32_t size = kMaxKeyName + 1;
            result = registry_.EnumKey(key, index, name, size);
            if (result == kErrorNoMoreItems) break;
            if (result != kErrorSuccess) return result;
            names.emplace_back(name, size);
        }
        for (const std::wstring& name : names) {
            const std::wstring below = path + L"\\" + name;
            RegKey subkey = 0;
            result = registry_.OpenSubkey(key, name, access_, subkey);
            // Deleted by someone else meanwhile: gone, as the erase would leave it.
            if (result == kErrorFileNotFound || result == kErrorKeyDeleted) continue;
            if (result != kErrorSuccess) return result;
            const bool writable = named && CanHoldName(name);
            if (named && !writable) read_.leftOut.push_back({below, L"", false});
            result = Read(subkey, below, writable, depth + 1);
            registry_.CloseKey(subkey);
            if (result != kErrorSuccess) return result;
        }
        return kErrorSuccess;
    }

  private:
    // The key's values, into values where the key is named. A key opened with the erase's
    // rights is opened again to read them; where that is refused, they go uncounted.
    long ReadValues(RegKey key, const std::wstring& path, std::vector<RegistryValue>* values) {
        RegKey readable = key;
        if (access_ == KeyAccess::kErase) {
            const long reopened = registry_.ReopenKey(key, KeyAccess::kQueryValues, readable);
            if (reopened == kErrorAccessDenied) {
                ++read_.uncounted;
                return kErrorSuccess;
            }
            if (reopened != kErrorSuccess) return reopened;
        }
        long result = kErrorSuccess;
        for (std::int32_t index = 0;; ++index) {
            RegistryValue value;
            result = registry_.EnumValue(readable, index, value);
            if (result == kErrorNoMoreItems) {
                result = kErrorSuccess;
                break;
            }
            if (result != kErrorSuccess) break;
            ++read_.valueCount;
            if (!values) continue;
            if (CanHoldName(value.name)) {
                values->push_back(std::move(value));
            } else {
                read_.leftOut.push_back({path, value.name, true});
            }
        }
        if (readable != key) registry_.CloseKey(readable);
        return result;
    }

    Registry& registry_;
    KeyAccess access_;
    AccountSubtree& read_;
};

}  // namespace

AccountSubtree ReadAccountSubtree(Registry& registry, const AccountPlace& place,
                                  const std::wstring& uin, LinkRule rule, KeyAccess access) {
    AccountSubtree read;
    RegKey key = 0;
    read.result =
        registry.OpenSubtree(place.hive, place.parent, uin, place.view, rule, access, key);
    if (read.result != kErrorSuccess) return read;
    const bool named = CanHoldName(uin);
    if (!named) read.leftOut.push_back({uin, L"", false});
    read.result = SubtreeReader(registry, access, read).Read(key, uin, named, 1);
    registry.CloseKey(key);
    return read;
}

}  // namespace zelvane
