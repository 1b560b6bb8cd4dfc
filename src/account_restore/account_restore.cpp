#include "account_restore/account_restore.h"

namespace zelvane {

namespace {

// Keys the restore may make above the account, below the place's Software key.
constexpr std::size_t kMadeAbove = 3;  // Mirabilis, ICQ, NewOwners

// The keys a restore holds open, each the parent of the next, closed when it ends.
class OpenKeys {
  public:
    explicit OpenKeys(Registry& registry) : registry_(registry) {}
    OpenKeys(const OpenKeys&) = delete;
    OpenKeys& operator=(const OpenKeys&) = delete;
    ~OpenKeys() {
        while (!keys_.empty()) Pop();
    }

    void Push(const RegKey key, std::wstring path = {}) {
        keys_.emplace_back(std::move(path), key);
    }
    void Pop() {
        registry_.CloseKey(keys_.back().second);
        keys_.pop_back();
    }
    RegKey Last() const { return keys_.back().second; }
    std::size_t Size() const { return keys_.size(); }
    const std::wstring& LastPath() const { return keys_.back().first; }

  private:
    Registry& registry_;
    // Path first, as the backup's erase holds its keys' names: the two share one vector's code.
    std::vector<std::pair<std::wstring, RegKey>> keys_;
};

}  // namespace

RestoreOutcome RestoreAccount(Registry& registry, const AccountPlace& place,
                              const std::wstring& uin, LinkRule rule,
                              const std::vector<SubtreeKey>& keys, bool write) {
    OpenKeys open(registry);
    std::wstring path = place.parent;
    std::vector<std::wstring> missing;
    RegKey at = 0;
    long result = registry.OpenKey(place.hive, path, at, place.view, rule);
    while (IsNotThere(result) && missing.size() < kMadeAbove) {
        const std::size_t cut = path.rfind(L'\\');
        missing.push_back(path.substr(cut + 1));
        path.resize(cut);
        result = registry.OpenKey(place.hive, path, at, place.view, rule);
    }
    if (result != kErrorSuccess) return {result, false};
    open.Push(at);
    if (!write) {
        if (!missing.empty()) return {};
        RegKey account = 0;
        result = registry.OpenSubkey(at, uin, KeyAccess::kErase, account);
        if (account != 0) registry.CloseKey(account);
        if (result == kErrorSuccess || result == kErrorAccessDenied) return {kErrorThereAgain};
        return {IsNotThere(result) ? kErrorSuccess : result};
    }
    for (auto name = missing.rbegin(); name != missing.rend(); ++name) {
        result = registry.CreateKey(open.Last(), *name, at);
        if (result != kErrorSuccess) return {result, false};
        open.Push(at);
    }
    bool made = false;
    for (const SubtreeKey& key : keys) {
        // Depth first: the key above it is the last one made, or one above that; above the
        // account's own, the NewOwners key, which has no path.
        const std::size_t cut = key.path.rfind(L'\\');
        const std::wstring_view above =
            std::wstring_view(key.path).substr(0, cut == key.path.npos ? 0 : cut);
        while (open.LastPath() != above && open.Size() > 1) open.Pop();
        if (open.LastPath() != above) {
            result = kErrorBadKey;
            break;
        }
        result = registry.CreateKey(open.Last(), key.path.substr(cut + 1), at);
        if (result == kErrorAlreadyExists && !made) result = kErrorThereAgain;
        if (result != kErrorSuccess) break;
        made = true;
        open.Push(at, key.path);
        for (const RegistryValue& value : key.values) {
            result = registry.SetValue(at, value);
            if (result != kErrorSuccess) break;
        }
        if (result != kErrorSuccess) break;
    }
    return {result, result != kErrorSuccess && made};
}

}  // namespace zelvane
