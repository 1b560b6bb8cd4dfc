#include "registry_listing/account_listing.h"

#include <limits>
#include <utility>

#include "platform/runtime_error.h"

namespace zelvane {

namespace {

// The longest name and its NUL; the buffer is rebuilt before every call.
constexpr std::uint32_t kNameBufferSize = kMaxKeyName + 1;

std::int32_t NextIndex(std::int32_t index) {
    if (index == std::numeric_limits<std::int32_t>::max()) {
        throw RuntimeError::Overflow();
    }
    return index + 1;
}

struct KeyCloser {
    Registry& registry;
    const RegKey& key;
    ~KeyCloser() { registry.CloseKey(key); }
};

}  // namespace

// The names of key's subkeys, read by their index, appended to names: what stopped the
// enumeration short, or 0 when every name was read.
long AccountListing::ReadNames(RegKey key, std::vector<std::wstring>& names) {
    for (std::int32_t index = 0;; index = NextIndex(index)) {
        std::wstring buffer(kNameBufferSize, L'\0');
        std::uint32_t size = kNameBufferSize;
        const long result = registry_.EnumKey(key, index, buffer.data(), size);
        if (result != kErrorSuccess) return result == kErrorNoMoreItems ? kErrorSuccess : result;
        // The whole buffer comes back, NULs and all: the name ends at the first NUL. A name
        // that holds a NUL of its own would show cut short, as the name of another key, so
        // it is left out.
        std::wstring name = StripNulls(buffer);
        if (name.size() == size) names.push_back(std::move(name));
    }
}

// An enumeration by index is read against a key that may change meanwhile: a subkey deleted
// before the index moves the ones after it down by one, and the enumeration passes over
// one of them, though it was there all along. So the key is watched while it is read, and
// read again when a subkey came or went.
long AccountListing::ListAccounts(std::int32_t root, const std::wstring& path,
                                  std::vector<std::wstring>& names, RegistryView view,
                                  LinkRule links) {
    constexpr int kReads = 3;
    RegKey key = 0;
    const long opened = registry_.OpenKey(root, path, key, view, links);
    // Closed on every way out, also when the open failed and the key is still 0.
    const KeyCloser closer{registry_, key};
    if (opened != kErrorSuccess) {
        // A key that did not open enumerates nothing; the open says why.
        ReadNames(key, names);
        return opened;
    }
    const std::size_t before = names.size();
    for (int read = 1;; ++read) {
        RegWatch watch = 0;
        const long watched = registry_.WatchSubkeys(key, false, watch);
        const long result = ReadNames(key, names);
        const bool changed = watched == kErrorSuccess && registry_.EndWatch(watch);
        if (changed && read < kReads) {
            names.resize(before);
            continue;
        }
        if (result != kErrorSuccess) return result;
        if (watched != kErrorSuccess) return watched;
        return changed ? kErrorChangedWhileRead : kErrorSuccess;
    }
}

std::wstring StripNulls(const std::wstring& text) {
    return text.substr(0, text.find(L'\0'));
}

}  // namespace zelvane
