// The walk down a file's folders where Windows cannot say where a handle leads (Windows XP),
// on a made-up file system: Wine always can, so it never walks.
#include "platform/path_walk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "platform/result_codes.h"

namespace zelvane {
namespace {

// Entries by full path: 'd' a folder, 'f' a file, 'j' a junction.
class MadeUpSteps {
  public:
    std::map<std::wstring, char> entries;
    std::vector<std::wstring> opened;

    long OpenRoot(std::wstring_view root) {
        opened = {std::wstring(root)};
        return kErrorSuccess;
    }
    long OpenChild(std::wstring_view name, bool& folder, bool& reparsePoint) {
        const auto entry =
            entries.find(opened.back() + (opened.size() > 1 ? L"\\" : L"") + std::wstring(name));
        if (entry == entries.end()) return kErrorFileNotFound;
        opened.push_back(entry->first);
        folder = entry->second != 'f';
        reparsePoint = entry->second == 'j';
        return kErrorSuccess;
    }
};

// Walks to the folder of a file, as PlacedFile does.
long Walk(MadeUpSteps& steps, const std::wstring& file) {
    const std::size_t root = RootLength(file);
    return WalkFolders(file.substr(0, std::max(file.rfind(L'\\'), root)), root, steps);
}

TEST(PathWalkTest, StopsAtAReparsePointOrAMissingFolderAndOpensNothingPastIt) {
    MadeUpSteps steps;
    steps.entries = {{L"C:\\a", 'd'},
                     {L"C:\\a\\b", 'd'},
                     {L"C:\\a\\j", 'j'},
                     {L"C:\\a\\j\\b", 'd'},
                     {L"C:\\a\\f", 'f'}};
    EXPECT_EQ(Walk(steps, L"C:\\a\\b\\x.log"), kErrorSuccess);
    EXPECT_EQ(steps.opened, (std::vector<std::wstring>{L"C:\\", L"C:\\a", L"C:\\a\\b"}));
    // A junction on the way, or as the file's own folder, whatever lies behind it.
    EXPECT_EQ(Walk(steps, L"C:\\a\\j\\b\\x.log"), kErrorReparsePoint);
    EXPECT_EQ(steps.opened.back(), L"C:\\a\\j");
    EXPECT_EQ(Walk(steps, L"C:\\a\\j\\x.log"), kErrorReparsePoint);
    // A folder that is not there, or is a file, as Windows words it for a path.
    EXPECT_EQ(Walk(steps, L"C:\\a\\none\\b\\x.log"), kErrorPathNotFound);
    EXPECT_EQ(Walk(steps, L"C:\\a\\f\\b\\x.log"), kErrorPathNotFound);
    EXPECT_EQ(Walk(steps, L"C:\\x.log"), kErrorSuccess);
    EXPECT_EQ(steps.opened, std::vector<std::wstring>{L"C:\\"});
}

TEST(PathWalkTest, OnlyAFullPathToAFileOnADriveOrAShareIsTakenAndFinalPathsAreCutToIt) {
    EXPECT_EQ(RootLength(L"d:\\logs\\x.log"), 3u);
    EXPECT_EQ(RootLength(L"\\\\pc\\share\\logs\\x.log"), 11u);
    for (const wchar_t* refused :
         {L"x.log", L"C:x.log", L"C:\\", L"C:\\logs\\", L"C:\\a\\\\x.log", L"C:\\a\\..\\x.log",
          L"C:\\a\\.\\x.log", L"C:\\x.log:stream", L"C:\\a/b\\x.log", L"\\\\?\\C:\\x.log",
          L"\\\\.\\pipe\\x", L"\\\\pc\\share", L"\\\\pc\\share\\", L"\\\\pc\\\\x.log"}) {
        EXPECT_EQ(RootLength(refused), 0u) << refused;
    }
    // The final path and the one given, cut down to what must be the same names.
    const auto trimmed = [](std::wstring_view final, std::wstring_view given) {
        return TrimFinalPath(final, given) ? std::wstring(final) + L"|" + std::wstring(given)
                                           : L"neither";
    };
    EXPECT_EQ(trimmed(L"\\\\?\\C:\\logs", L"C:\\logs\\"), L"C:\\logs|C:\\logs");
    EXPECT_EQ(trimmed(L"\\\\?\\UNC\\pc\\s\\x", L"\\\\pc\\s\\x"), L"pc\\s\\x|pc\\s\\x");
    EXPECT_EQ(trimmed(L"\\\\?\\UNC\\pc\\s\\x", L"C:\\pc\\s\\x"), L"UNC\\pc\\s\\x|C:\\pc\\s\\x");
    EXPECT_EQ(trimmed(L"C:\\logs\\x.log", L"C:\\logs\\x.log"), L"neither");
}

}  // namespace
}  // namespace zelvane
