#pragma once

#include <map>
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
    std::wstring CurrentUser() override { return currentUser; }
    std::wstring AccountName(const std::wstring& sid) override;
    long EnableHivePrivileges() override;
    long Load(const std::wstring& name, const std::wstring& file) override;
    long Unload(const std::wstring& name) override;

    std::vector<UserProfile> profiles;
    long profilesResult = 0;
    std::wstring currentUser = L"S-1-5-21-7-7-7-1000";
    std::map<std::wstring, std::wstring> names;  // SID to DOMAIN\name
    long privilegeResult = 0;                    // what EnableHivePrivileges returns
    // The hive files: each one's keys, by path below its root.
    std::map<std::wstring, std::vector<std::wstring>> files;
    std::map<std::wstring, long> loadFailures;    // file to what loading it returns
    std::map<std::wstring, long> unloadFailures;  // name to what unloading it returns
    // The hives loaded now: name to file.
    std::map<std::wstring, std::wstring> loaded;
    // "Load <name>", "Unload <name>" and "Privileges", in order.
    std::vector<std::wstring> calls;

  private:
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
    bool FileExists(const std::wstring& path) override { return files.count(path) != 0; }
    long WriteNewFile(const std::wstring& path, const std::string& bytes) override {
        if (writeFailure != 0) return writeFailure;
        if (files.count(path) != 0) return kErrorAlreadyExists;
        files[path] = bytes;
        return 0;
    }

    bool hasOutput = true;
    bool elevated = true;
    std::wstring out;
    std::wstring err;
    std::vector<std::wstring> boxes;
    std::vector<int> boxStyles;
    std::map<std::wstring, std::string> files;  // the files written, by path
    long writeFailure = 0;                      // what WriteNewFile returns instead
};

}  // namespace zelvane
