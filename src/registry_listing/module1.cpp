#include "registry_listing/module1.h"

#include <limits>

#include "platform/runtime_error.h"

namespace zelvane {

namespace {

// A subkey name is at most 255 characters; the buffer is rebuilt before every call.
constexpr std::uint32_t kNameBufferSize = 255;

std::int32_t NextIndex(std::int32_t index) {
    if (index == std::numeric_limits<std::int32_t>::max()) {
        throw RuntimeError(kErrOverflow, "Overflow");
    }
    return index + 1;
}

struct KeyCloser {
    Registry& registry;
    const RegKey& key;
    ~KeyCloser() { registry.CloseKey(key); }
};

}  // namespace

void Module1::ListAccounts(std::int32_t root, const std::wstring& path, ListBox& list) {
    RegKey key = 0;
    registry_.OpenKey(root, runtime_.StrToAnsi(path).bytes, key);
    // Closed on every way out, also when the open failed and the key is still 0.
    const KeyCloser closer{registry_, key};

    for (std::int32_t index = 0;; index = NextIndex(index)) {
        std::string buffer(kNameBufferSize, '\0');
        std::uint32_t size = kNameBufferSize;
        if (registry_.EnumKey(key, index, buffer.data(), size) != kErrorSuccess) break;
        // The whole buffer comes back, NULs and all: the name ends at the first NUL.
        list.AddItem(StripNulls(runtime_.StrToUnicode(buffer)));
    }
}

std::wstring StripNulls(const std::wstring& text) {
    return text.substr(0, text.find(L'\0'));
}

}  // namespace zelvane
