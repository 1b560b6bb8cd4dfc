#include "hive_loading/profile_path.h"

#include <algorithm>

namespace zelvane {

std::wstring WithoutTrailingBackslash(const std::wstring& folder) {
    return folder.size() > 3 && folder.back() == L'\\' ? folder.substr(0, folder.size() - 1)
                                                       : folder;
}

bool IsLocalFullPath(const std::wstring& given) {
    const std::wstring path = WithoutTrailingBackslash(given);
    if (path.size() < 4) return false;  // "X:\" and at least one name
    const wchar_t drive = path[0];
    const bool letter = (drive >= L'A' && drive <= L'Z') || (drive >= L'a' && drive <= L'z');
    if (!letter || path[1] != L':' || path[2] != L'\\') return false;
    std::wstring::size_type start = 3;
    while (start <= path.size()) {
        const std::wstring::size_type end = std::min(path.find(L'\\', start), path.size());
        const std::wstring name = path.substr(start, end - start);
        if (name.empty() || name == L"." || name == L".." ||
            name.find_first_of(L"/:") != std::wstring::npos) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

std::wstring ClassesHivePath(const std::wstring& folder, bool vistaLayout) {
    return folder + (vistaLayout
                         ? L"\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat"
                         : L"\\Local Settings\\Application Data\\Microsoft\\Windows\\UsrClass.dat");
}

}  // namespace zelvane
