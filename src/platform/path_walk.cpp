#include "platform/path_walk.h"

#include "platform/result_codes.h"

namespace zelvane {

namespace {

bool IsLetter(wchar_t ch) {
    return (ch >= L'A' && ch <= L'Z') || (ch >= L'a' && ch <= L'z');
}

// The name of path that starts at `start`: up to the next backslash or the end.
std::wstring_view NameAt(std::wstring_view path, std::size_t start) {
    return path.substr(start, path.find(L'\\', start) - start);
}

}  // namespace

std::size_t RootLength(std::wstring_view full) {
    std::size_t root = 0;
    if (full.size() > 3 && IsLetter(full[0]) && full[1] == L':' && full[2] == L'\\') {
        root = 3;
    } else if (full.size() > 2 && full[0] == L'\\' && full[1] == L'\\' && full[2] != L'?' &&
               full[2] != L'.') {
        // \\server\share\ : two names, then the path on the share.
        const std::size_t server = full.find(L'\\', 2);
        const std::size_t share = server == full.npos ? server : full.find(L'\\', server + 1);
        if (server == 2 || share == full.npos || share == server + 1) return 0;
        root = share + 1;
    }
    if (root == 0 || root == full.size()) return 0;
    for (std::size_t start = root; start <= full.size();) {
        const std::wstring_view name = NameAt(full, start);
        bool dots = true;
        for (const wchar_t ch : name) {
            if (ch == L'/' || ch == L':') return 0;
            dots = dots && ch == L'.';
        }
        if (name.empty() || (dots && name.size() <= 2)) return 0;
        start += name.size() + 1;
    }
    return root;
}

bool IsFinalPathOf(std::wstring_view final, std::wstring_view given,
                   bool (*equal)(std::wstring_view, std::wstring_view)) {
    if (final.substr(0, 8) == L"\\\\?\\UNC\\" && given.substr(0, 2) == L"\\\\") {
        final.remove_prefix(8);
        given.remove_prefix(2);
    } else if (final.substr(0, 4) == L"\\\\?\\") {
        final.remove_prefix(4);
    } else {
        return false;
    }
    for (std::wstring_view* path : {&final, &given}) {
        if (!path->empty() && path->back() == L'\\') path->remove_suffix(1);
    }
    return equal(final, given);
}

long WalkFolders(std::wstring_view folder, std::size_t root, FolderSteps& steps) {
    long result = steps.OpenRoot(std::wstring(folder.substr(0, root)));
    for (std::size_t start = root; start < folder.size() && result == kErrorSuccess;) {
        const std::wstring_view name = NameAt(folder, start);
        start += name.size() + 1;
        bool isFolder = false;
        bool reparsePoint = false;
        result = steps.OpenChild(name, isFolder, reparsePoint);
        if (result == kErrorSuccess && reparsePoint) {
            result = kErrorReparsePoint;
        } else if (result == kErrorFileNotFound || (result == kErrorSuccess && !isFolder)) {
            result = kErrorPathNotFound;
        }
    }
    return result;
}

}  // namespace zelvane
