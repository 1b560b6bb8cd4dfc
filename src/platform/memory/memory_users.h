#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/memory/memory_registry.h"
#include "platform/users.h"

namespace zelvane {

// Users, their names, profiles and hive files in memory: loading a file puts its keys under
// HKEY_USERS\name in the registry, unloading writes back which of them are left and removes
// them.
class MemoryUsers : public Users {
  public:
    explicit MemoryUsers(MemoryRegistry& registry) : registry_(registry) {}

    long Profiles(std::vector<UserProfile>& list) override;
    long DefaultUserFolder(std::wstring& folder) override;
    std::wstring CurrentUser() override { return currentUser; }
    std::wstring AccountName(const std::wstring& sid) override;
    long EnableHivePrivileges() override;
    long LockAllUsersRuns(std::uint32_t timeoutMs) override;
    bool VistaLayout() override { return vistaLayout; }
    long CheckHivePath(const std::wstring& file, std::wstring& where) override;
    long LoadHive(const std::wstring& name, const std::wstring& file) override;
    long UnloadHive(const std::wstring& name) override;
    void Pause(std::uint32_t milliseconds) override { paused += milliseconds; }

    std::vector<UserProfile> profiles;
    std::wstring defaultUser;  // the default user's folder; none when empty
    long lockResult = 0;       // what LockAllUsersRuns returns
    bool vistaLayout = true;
    // Folders and files that are reparse points; a file is there when `files` holds it.
    std::set<std::wstring> reparsePoints;
    // Folders that are there: these, the drives, and every folder on the way to a file of
    // `files`, `loadFailures` or `reparsePoints`.
    std::set<std::wstring> folders;
    std::uint32_t paused = 0;  // milliseconds waited in all
    std::wstring currentUser = L"S-1-5-21-7-7-7-1000";
    std::map<std::wstring, std::wstring> names;  // SID to DOMAIN\name
    long privilegeResult = 0;                    // what EnableHivePrivileges returns
    // The hive files: each one's keys, by path below its root.
    std::map<std::wstring, std::vector<std::wstring>> files;
    std::map<std::wstring, long> loadFailures;  // file to what loading it returns
    // Name to what unloading it returns, and how many tries fail so (every one when 0).
    std::map<std::wstring, long> unloadFailures;
    int unloadFailuresFor = 0;
    // The hives loaded now: name to file.
    std::map<std::wstring, std::wstring> loaded;
    // "Load <name>", "Unload <name>" and "Privileges", in order.
    std::vector<std::wstring> calls;

  private:
    bool FolderThere(const std::wstring& folder) const;

    MemoryRegistry& registry_;
    bool privileged_ = false;
};

}  // namespace zelvane
