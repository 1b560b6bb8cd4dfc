#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zelvane {

// Where a walk down a full path to a file starts: the length of its root, "C:\" or
// "\\server\share\". 0 for anything else: a relative path, the "\\?\" and "\\.\" forms (which
// reach devices and skip the system's own reading of a name), a path that ends in its root,
// or one that holds an empty name, "." or "..", or a name with a colon (a file's stream).
std::size_t RootLength(std::wstring_view full);

// Whether a path as GetFinalPathNameByHandle gives it ("\\?\C:\...", "\\?\UNC\server\...") is
// the full path given ("C:\...", "\\server\..."), a trailing backslash aside; names compared
// by equal, as the file system compares them.
bool IsFinalPathOf(std::wstring_view final, std::wstring_view given,
                   bool (*equal)(std::wstring_view, std::wstring_view));

// What a walk down a path asks of the file system, where the system cannot say where an open
// folder really is (Windows XP).
class FolderSteps {
  public:
    // Opens the root the walk starts from. 0, or the system error.
    virtual long OpenRoot(const std::wstring& root) = 0;
    // Opens the entry of that name in the folder opened last, as itself (a link is not
    // followed), and goes on from it. 0, or the system error; when 0, whether it is a folder
    // and whether it is a reparse point (a junction, symbolic link or mount point).
    virtual long OpenChild(std::wstring_view name, bool& folder, bool& reparsePoint) = 0;

  protected:
    ~FolderSteps() = default;
};

// Opens the root of folder (root characters long, as RootLength says) and then each folder
// below it in turn, each inside the one before, so that no name is looked up a second time
// and nothing on the way is followed. 0 when the last one is open; kErrorReparsePoint for a
// reparse point on the way, kErrorPathNotFound for a folder that is not there or is a file,
// or the system error.
long WalkFolders(std::wstring_view folder, std::size_t root, FolderSteps& steps);

}  // namespace zelvane
