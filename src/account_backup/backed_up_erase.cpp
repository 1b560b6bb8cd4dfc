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
        const auto path = [&](std::size_t index) -> const std::wstring& {
            return index < read.keys.size() ? read.keys[index].path
                                            : read.links[index - read.keys.size()].path;
        };
        for (const SubtreeKey& key : read.keys) held_.push_back({&key.values, nullptr, {}});
        for (const SubtreeLink& link : read.links) held_.push_back({nullptr, &link.target, {}});
        // Every path with its key, sorted once, so that each key finds the one above it in
        // log n steps: inserted one by one as they come, keys that the registry lists in
        // another order than this one would take n squared. A heap sort, as the backup
        // reader sorts its names: its code is half of std::sort's, and the two share it.
        std::vector<std::pair<std::wstring, std::size_t>> byPath(held_.size());
        for (std::size_t index = 0; index < held_.size(); ++index) {
            byPath[index] = {path(index), index};
        }
        std::make_heap(byPath.begin(), byPath.end());
        std::sort_heap(byPath.begin(), byPath.end());
        for (std::size_t index = 0; index < held_.size(); ++index) {
            const std::size_t cut = path(index).rfind(L'\\');
            if (cut == std::wstring::npos) {
                if (index != 0) whole_ = false;
                continue;
            }
            // The key above must come first; of a path given twice, the first one counts.
            const std::wstring above = path(index).substr(0, cut);
            const auto found = std::lower_bound(
                byPath.begin(), byPath.end(), above,
                [](const auto& entry, const std::wstring& wanted) { return entry.first < wanted; });
            if (found == byPath.end() || found->first != above || found->second > index) {
                whole_ = false;
            } else {
                held_[found->second].children.emplace_back(path(index).substr(cut + 1), index);
            }
        }
    }

    // Whether every key's parent is held too, so that the walk reaches each of them.
    bool whole() const { return whole_ && !held_.empty(); }
    bool deleted() const { return deleted_; }

    // Erases the account's key, the first one held.
    long Erase(RegKey key) { return Erase(key, held_.front(), 1); }

  private:
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
