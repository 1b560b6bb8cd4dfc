#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/command_host.h"
#include "platform/memory/memory_registry.h"
#include "platform/user_hives.h"

namespace zelvane {

// Profiles and hive files in memory: loading a file puts its keys under HKEY_USERS\name in
// the registry, unloading writes back which of them are left and removes them.
class MemoryUserHives : public UserHives {
  public:
    explicit MemoryUserHives(MemoryRegistry& registry) : registry_(registry) {}

    long Profiles(std::vector<UserProfile>& list) override;
    long DefaultUserFolder(std::wstring& folder) override;
    std::wstring CurrentUser() override { return currentUser; }
    std::wstring AccountName(const std::wstring& sid) override;
    long EnableHivePrivileges() override;
    long LockAllUsersRuns(std::uint32_t timeoutMs) override;
    bool VistaLayout() override { return vistaLayout; }
    long CheckHivePath(const std::wstring& file, std::wstring& where) override;
    long Load(const std::wstring& name, const std::wstring& file) override;
    long Unload(const std::wstring& name) override;
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
    long profilesResult = 0;
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

// Output captured in memory, message boxes recorded.
class MemoryCommandHost : public CommandHost {
  public:
    bool OpenOutput() override { return hasOutput; }
    void Write(const std::wstring& text, bool error) override { (error ? err : out) += text; }
    void ShowBox(const std::wstring& text, int style, const std::wstring&) override {
        boxes.push_back(text);
        boxStyles.push_back(style);
    }
    bool Elevated() override { return elevated; }
    std::wstring ErrorText(long code) override { return L"error " + std::to_wstring(code); }
    // A path that does not start with a drive is in currentFolder.
    long FullPath(const std::wstring& path, std::wstring& full) override {
        if (fullPathFailure != 0) return fullPathFailure;
        full = path.size() > 2 && path[1] == L':' && path[2] == L'\\' ? path : currentFolder + path;
        return 0;
    }
    bool FileExists(const std::wstring& path) override { return files.count(path) != 0; }
    long WriteNewFile(const std::wstring& path, const std::string& bytes) override {
        if (writeFailure != 0) return writeFailure;
        if (files.count(path) != 0) return kErrorAlreadyExists;
        files[path] = bytes;
        if (onWrite) onWrite();
        return 0;
    }
    long OpenLog(const std::wstring& path) override {
        if (logFailure != 0) return logFailure;
        logPath = path;
        return 0;
    }
    long Log(const std::wstring& line) override {
        if (logPath.empty()) return 0;
        if (logWriteFailure != 0) return logWriteFailure;
        log += line;
        return 0;
    }
    std::wstring ComputerName() override { return L"PC01"; }
    bool StartHiveWork() override {
        if (hiveWork != 0) return false;  // the last one never ended
        if (stopAfter == 0) return false;
        --stopAfter;
        ++hiveWork;
        return true;
    }
    void EndHiveWork() override { --hiveWork; }

    bool hasOutput = true;
    bool elevated = true;
    int stopAfter = -1;  // how many times StartHiveWork says go; then stop (-1: always)
    int hiveWork = 0;    // started and not ended
    std::wstring out;
    std::wstring err;
    std::vector<std::wstring> boxes;
    std::vector<int> boxStyles;
    std::map<std::wstring, std::string> files;  // the files written, by path
    long writeFailure = 0;                      // what WriteNewFile returns instead
    std::wstring logPath;                       // the log opened, empty before
    std::wstring log;                           // what was appended to it
    long logFailure = 0;                        // what OpenLog returns instead
    long logWriteFailure = 0;                   // what Log returns instead
    std::function<void()> onWrite;              // someone else at work as a file is written
    std::wstring currentFolder = L"C:\\Work\\";
    long fullPathFailure = 0;  // what FullPath returns instead
};

}  // namespace zelvane
