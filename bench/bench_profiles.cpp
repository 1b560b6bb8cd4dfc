// Profiles of users who are not logged on, for the all-users erasure benchmark: each one a
// profile-list entry with a made-up SID and a folder whose NTUSER.DAT holds one account.
//
//   bench_profiles seed <count> <uin>   profiles 1..count, each hive holding <uin> with a
//                                       subtree of 100 keys; no others of this benchmark
//   bench_profiles clean                removes every profile this benchmark made
#include <cstdlib>
#include <string>

#include <windows.h>

#include "bench_support.h"

namespace zelvane::bench {
namespace {

constexpr int kMostProfiles = 20;
constexpr char kProfileList[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
constexpr char kHiveSource[] = "Software\\ZelvaneBenchHive";

std::string Sid(int profile) {
    return "S-1-5-21-9-9-9-" + std::to_string(3000 + profile);
}

std::string Folder(int profile) {
    return "C:\\users\\zelvane-bench-" + std::to_string(profile);
}

void EnableBackupPrivilege() {
    HANDLE token = nullptr;
    TOKEN_PRIVILEGES privileges = {1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token) ||
        !LookupPrivilegeValueA(nullptr, "SeBackupPrivilege", &privileges.Privileges[0].Luid) ||
        !AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr)) {
        Fail("cannot enable the backup privilege");
    }
    CloseHandle(token);
}

void RemoveProfile(int profile) {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kProfileList) + "\\" + Sid(profile)).c_str());
    DeleteFileA((Folder(profile) + "\\NTUSER.DAT").c_str());
    RemoveDirectoryA(Folder(profile).c_str());
}

int Seed(int count, const std::string& uin) {
    DeleteTreeIfPresent(kHiveSource);
    const HKEY account =
        CreateKey(HKEY_CURRENT_USER, std::string(kHiveSource) + "\\" + kNewOwners + "\\" + uin);
    for (int group = 0; group < 10; ++group) {
        const HKEY groupKey = CreateKey(account, "Group" + std::to_string(group));
        for (int child = 0; child < 9; ++child) {
            const HKEY childKey = CreateKey(groupKey, "Key" + std::to_string(child));
            SetStringValue(childKey, "Data", "contact");
            RegCloseKey(childKey);
        }
        RegCloseKey(groupKey);
    }
    RegCloseKey(account);
    HKEY source = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kHiveSource, 0, KEY_READ, &source) != ERROR_SUCCESS) {
        Fail("cannot open the hive's source key");
    }
    EnableBackupPrivilege();
    for (int profile = 1; profile <= kMostProfiles; ++profile) {
        RemoveProfile(profile);
        if (profile > count) continue;
        CreateDirectoryA(Folder(profile).c_str(), nullptr);
        const LONG saved = RegSaveKeyA(source, (Folder(profile) + "\\NTUSER.DAT").c_str(), nullptr);
        if (saved != ERROR_SUCCESS) Fail("RegSaveKey: error " + std::to_string(saved));
        const HKEY entry =
            CreateKey(HKEY_LOCAL_MACHINE, std::string(kProfileList) + "\\" + Sid(profile));
        SetStringValue(entry, "ProfileImagePath", Folder(profile));
        RegCloseKey(entry);
    }
    RegCloseKey(source);
    DeleteTreeIfPresent(kHiveSource);
    return 0;
}

int Clean() {
    for (int profile = 1; profile <= kMostProfiles; ++profile) RemoveProfile(profile);
    DeleteTreeIfPresent(kHiveSource);
    return 0;
}

}  // namespace
}  // namespace zelvane::bench

int main(int argc, char** argv) {
    using namespace zelvane::bench;
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "seed" && argc == 4) {
        const int count = std::atoi(argv[2]);
        if (count < 1 || count > kMostProfiles) Fail("a count of profiles from 1 to 20");
        return Seed(count, argv[3]);
    }
    if (command == "clean" && argc == 2) return Clean();
    Fail("usage: bench_profiles seed <count> <uin> | clean");
}
