#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/result_codes.h"

namespace zelvane {

// Where a walk down a full path to a file starts: the length of its root, "C:\" or
// "\\server\share\". 0 for anything else: a relative path, the "\\?\" and "\\.\" forms (which
// reach devices and skip the system's own reading of a name), a path that ends in its root,
// or one that holds an empty name, "." or "..", or a name with a colon (a file's stream).
std::size_t RootLength(std::wstring_view full);

// Cuts a path as GetFinalPathNameByHandle gives it ("\\?\C:\...", "\\?\UNC\server\...") and
// the full path given ("C:\...", "\\server\...") down to what must then be the same names,
// as the file system compares them, for the handle to be at that path: a trailing backslash
// aside. False when final has neither form.
bool TrimFinalPath(std::wstring_view& final, std::wstring_view& given);

// Opens the root of folder (root characters long, as RootLength says) and then each folder
// below it in turn, each inside the one before, so that no name is looked up a second time
// and nothing on the way is followed. 0 when the last one is open; kErrorReparsePoint for a
// reparse point on the way, kErrorPathNotFound for a folder that is not there or is a file,
// or the system error. Steps is what the walk asks of the file system (a template, so that
// the tests can stand in for it and the program pays for no virtual call):
//   long OpenRoot(std::wstring_view root): opens the root; 0, or the system error.
//   long OpenChild(std::wstring_view name, bool& folder, bool& reparsePoint): opens the
//     entry of that name in the folder opened last, as itself (a link is not followed), and
//     goes on from it; 0, or the system error; when 0, whether it is a folder and whether it
//     is a reparse point (a junction, symbolic link or mount point).
template <typename Steps>
long WalkFolders(std::wstring_view folder, std::size_t root, Steps& steps) {
    long result = steps.OpenRoot(folder.substr(0, root));
    for (std::size_t start = root; start < folder.size() && result == kErrorSuccess;) {
        const std::wstring_view name = folder.substr(start, folder.find(L'\\', start) - start);
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
