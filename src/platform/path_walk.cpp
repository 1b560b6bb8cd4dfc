#include "platform/path_walk.h"

namespace zelvane {

std::size_t RootLength(std::wstring_view full) {
    const std::size_t size = full.size();
    std::size_t root = 0;
    const wchar_t drive = full.empty() ? L'\0' : static_cast<wchar_t>(full[0] | 0x20);
    if (size > 3 && drive >= L'a' && drive <= L'z' && full[1] == L':' && full[2] == L'\\') {
        root = 3;
    } else if (size > 2 && full[0] == L'\\' && full[1] == L'\\' && full[2] != L'?' &&
               full[2] != L'.') {
        // \\server\share\ : two names that are not empty, then the path on the share.
        for (std::size_t at = 2, start = 2, names = 0; at < size && names < 2; ++at) {
            if (full[at] != L'\\') continue;
            if (at == start) return 0;
            start = at + 1;
            root = ++names == 2 ? start : 0;
        }
    }
    // Each name from there on: not empty, not "." or "..", with no slash or colon in it.
    bool onlyDots = true;
    for (std::size_t at = root, start = root; root != 0 && at <= size; ++at) {
        if (at == size || full[at] == L'\\') {
            if (at == start || (onlyDots && at - start <= 2)) return 0;
            start = at + 1;
            onlyDots = true;
        } else if (full[at] == L'/' || full[at] == L':') {
            return 0;
        } else {
            onlyDots = onlyDots && full[at] == L'.';
        }
    }
    return root;
}

bool TrimFinalPath(std::wstring_view& final, std::wstring_view& given) {
    const bool share = final.substr(0, 8) == L"\\\\?\\UNC\\" && given.substr(0, 2) == L"\\\\";
    if (!share && final.substr(0, 4) != L"\\\\?\\") return false;
    final.remove_prefix(share ? 8 : 4);
    given.remove_prefix(share ? 2 : 0);
    if (!final.empty() && final.back() == L'\\') final.remove_suffix(1);
    if (!given.empty() && given.back() == L'\\') given.remove_suffix(1);
    return true;
}

}  // namespace zelvane
