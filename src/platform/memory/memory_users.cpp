#include "platform/memory/memory_users.h"

#include <algorithm>

namespace zelvane {

long MemoryUsers::Profiles(std::vector<UserProfile>& list) {
    list = profiles;
    return kErrorSuccess;
}

long MemoryUsers::DefaultUserFolder(std::wstring& folder) {
    folder = defaultUser;
    return defaultUser.empty() ? kErrorFileNotFound : kErrorSuccess;
}

long MemoryUsers::LockAllUsersRuns(std::uint32_t) {
    calls.push_back(L"Lock");
    return lockResult;
}

bool MemoryUsers::FolderThere(const std::wstring& folder) const {
    if (folder.size() == 2 && folder[1] == L':') return true;
    const std::wstring inside = folder + L"\\";
    const auto holds = [&](const std::wstring& path) {
        return path == folder || path.starts_with(inside);
    };
    return std::any_of(folders.begin(), folders.end(), holds) ||
           std::any_of(reparsePoints.begin(), reparsePoints.end(), holds) ||
           std::any_of(files.begin(), files.end(),
                       [&](const auto& file) { return holds(file.first); }) ||
           std::any_of(loadFailures.begin(), loadFailures.end(),
                       [&](const auto& file) { return holds(file.first); });
}

long MemoryUsers::CheckHivePath(const std::wstring& file, std::wstring& where) {
    for (std::size_t end = file.find(L'\\');; end = file.find(L'\\', end + 1)) {
        where = file.substr(0, end);
        if (reparsePoints.count(where) != 0) return kErrorReparsePoint;
        if (end == std::wstring::npos) break;
        if (!FolderThere(where)) return kErrorPathNotFound;
    }
    return files.count(file) != 0 || loadFailures.count(file) != 0 ? kErrorSuccess
                                                                   : kErrorFileNotFound;
}

std::wstring MemoryUsers::AccountName(const std::wstring& sid) {
    const auto found = names.find(sid);
    return found == names.end() ? L"" : found->second;
}

long MemoryUsers::EnableHivePrivileges() {
    calls.push_back(L"Privileges");
    privileged_ = privilegeResult == 0;
    return privilegeResult;
}

long MemoryUsers::LoadHive(const std::wstring& name, const std::wstring& file) {
    calls.push_back(L"Load " + name);
    if (!privileged_) return kErrorPrivilegeNotHeld;
    if (loaded.count(name) != 0) return kErrorAlreadyExists;
    const auto failure = loadFailures.find(file);
    if (failure != loadFailures.end()) return failure->second;
    const auto found = files.find(file);
    if (found == files.end()) return kErrorFileNotFound;
    registry_.AddKey(kHkeyUsers, name);
    for (const std::wstring& key : found->second) registry_.AddKey(kHkeyUsers, name + L"\\" + key);
    // Recorded whole or not at all, as the system's load is done or not.
    loaded.emplace(name, file);
    return kErrorSuccess;
}

long MemoryUsers::UnloadHive(const std::wstring& name) {
    calls.push_back(L"Unload " + name);
    const auto failure = unloadFailures.find(name);
    if (failure != unloadFailures.end()) {
        const long result = failure->second;
        // A counted number of failing tries: the last one ends them.
        if (unloadFailuresFor > 0 && --unloadFailuresFor == 0) unloadFailures.erase(failure);
        return result;
    }
    const auto hive = loaded.find(name);
    if (hive == loaded.end()) return kErrorInvalidHandle;
    std::vector<std::wstring>& keys = files[hive->second];
    std::erase_if(keys, [&](const std::wstring& key) {
        return !registry_.Exists(kHkeyUsers, name + L"\\" + key);
    });
    registry_.DeleteTree(kHkeyUsers, L"", name, RegistryView::kNative, LinkRule::kFollowNone);
    loaded.erase(hive);
    return kErrorSuccess;
}

}  // namespace zelvane
