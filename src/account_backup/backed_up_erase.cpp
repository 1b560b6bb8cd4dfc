#include "account_backup/backed_up_erase.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace zelvane {

namespace {

// One key as the backup holds it, and the keys it holds below it.
struct HeldKey {
    const std::vector<RegistryValue>* values = nullptr;          // none for a link
    const std::wstring* target = nullptr;                        // a link's
    std::vector<std::pair<std::wstring, std::size_t>> children;  // each name and its HeldKey
};

class BackedUpErase {
  public:
    BackedUpErase(Registry& registry, const AccountSubtree& read) : registry_(registry) {
        // Each key comes before the keys below it, and a link below a key.
        for (const SubtreeKey& key : read.keys) Add(key.path).values = &key.values;
        for (const SubtreeLink& link : read.links) Add(link.path).target = &link.target;
    }

    // Whether every key's parent is held too, so that the walk reaches each of them.
    bool whole() const { return whole_ && !held_.empty(); }
    bool deleted() const { return deleted_; }

    // Erases the account's key, the first one held.
    long Erase(RegKey key) { return Erase(key, held_.front(), 1); }

  private:
    HeldKey& Add(const std::wstring& path) {
        const std::size_t index = held_.size();
        held_.emplace_back();
        const auto at = Find(path);
        if (at == indexOf_.end() || at->first != path) indexOf_.insert(at, {path, index});
        const std::size_t cut = path.rfind(L'\\');
        if (cut != path.npos) {
            const std::wstring above = path.substr(0, cut);
            const auto parent = Find(above);
            if (parent == indexOf_.end() || parent->first != above) {
                whole_ = false;
            } else {
                held_[parent->second].children.emplace_back(path.substr(cut + 1), index);
            }
        } else if (index != 0) {
            whole_ = false;
        }
        return held_.back();
    }

    // Where name is in indexOf_, or would go.
    std::vector<std::pair<std::wstring, std::size_t>>::iterator Find(const std::wstring& name) {
        return std::lower_bound(
            indexOf_.begin(), indexOf_.end(), name,
            [](const auto& entry, const std::wstring& wanted) { return entry.first < wanted; });
    }

    // Erases the keys below key, then key itself; 0 when it is gone.
    long Erase(RegKey key, const HeldKey& held, int depth) {
        if (depth > kMaxSubtreeDepth) return kErrorBadKey;
        if (held.target) return EraseLink(key, *held.target);
        long failure = kErrorSuccess;
        for (const auto& [name, index] : held.children) {
            RegKey child = 0;
            long result = registry_.OpenSubkey(key, name, KeyAccess::kEraseAndRead, child);
            if (result == kErrorSuccess) {
                result = Erase(child, held_[index], depth + 1);
                registry_.CloseKey(child);
            }
            if (result != kErrorSuccess && !IsNotThere(result) && failure == kErrorSuccess) {
                failure = result;
            }
        }
        if (failure != kErrorSuccess) return failure;
        std::vector<RegistryValue> values;
        long result = ReadValues(registry_, key, values);
        if (result != kErrorSuccess) return result;
        // The registry lists a key's values in the same order each time until one is deleted
        // or added: another order is a change, and the key stays.
        if (values != *held.values) return kErrorChangedSinceBackup;
        // Every key below that the backup holds is gone: any left is one it does not hold.
        wchar_t name[kMaxKeyName + 1];
        std::uint32_t size = kMaxKeyName + 1;
        result = registry_.EnumKey(key, 0, name, size);
        if (result == kErrorSuccess) return kErrorChangedSinceBackup;
        if (result != kErrorNoMoreItems) return result;
        return Delete(key);
    }

    long EraseLink(RegKey key, const std::wstring& target) {
        bool link = false;
        std::wstring now;
        const long result = registry_.LinkTarget(key, link, now);
        if (result != kErrorSuccess) return result;
        if (!link || now != target) return kErrorChangedSinceBackup;
        return Delete(key);
    }

    long Delete(RegKey key) {
        const long result = registry_.DeleteKey(key);
        if (result == kErrorSuccess) deleted_ = true;
        return result;
    }

    Registry& registry_;
    std::vector<HeldKey> held_;
    // Each path held and its HeldKey, the first one given, sorted by path.
    std::vector<std::pair<std::wstring, std::size_t>> indexOf_;
    bool whole_ = true;
    bool deleted_ = false;
};

}  // namespace

PlaceOutcome EraseAsBackedUp(Registry& registry, const AccountPlace& place, const std::wstring& uin,
                             LinkRule rule, const AccountSubtree& read) {
    const bool thereWhenRead = read.result == kErrorSuccess;
    if (!read.leftOut.empty() || read.uncounted > 0 ||
        (!thereWhenRead && !IsNotThere(read.result))) {
        return {place, kErrorNotBackedUp, false};
    }
    BackedUpErase erase(registry, read);
    if (thereWhenRead && !erase.whole()) return {place, kErrorNotBackedUp, false};
    RegKey key = 0;
    long result = registry.OpenSubtree(place.hive, place.parent, uin, place.view, rule,
                                       KeyAccess::kEraseAndRead, key);
    if (result != kErrorSuccess) return {place, result, false};
    result = thereWhenRead ? erase.Erase(key) : kErrorChangedSinceBackup;
    registry.CloseKey(key);
    return {place, result, result != kErrorSuccess && !IsNotThere(result) && erase.deleted()};
}

}  // namespace zelvane
