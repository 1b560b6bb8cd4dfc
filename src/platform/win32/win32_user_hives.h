#pragma once

#include "platform/user_hives.h"

namespace zelvane {

// The profile list, account names and hive loading of the running Windows.
class Win32UserHives : public UserHives {
  public:
    Win32UserHives() = default;
    ~Win32UserHives() override;
    Win32UserHives(const Win32UserHives&) = delete;
    Win32UserHives& operator=(const Win32UserHives&) = delete;

    long Profiles(std::vector<UserProfile>& profiles) override;
    long DefaultUserFolder(std::wstring& folder) override;
    std::wstring CurrentUser() override;
    std::wstring AccountName(const std::wstring& sid) override;
    long EnableHivePrivileges() override;
    long LockAllUsersRuns(std::uint32_t timeoutMs) override;
    bool VistaLayout() override;
    long CheckHivePath(const std::wstring& file, std::wstring& where) override;
    long Load(const std::wstring& name, const std::wstring& file) override;
    long Unload(const std::wstring& name) override;
    void Pause(std::uint32_t milliseconds) override;

  private:
    void* mutex_ = nullptr;      // the all-users runs' mutex, while this run holds it
    void* namespace_ = nullptr;  // the private namespace that holds it, where there is one
};

}  // namespace zelvane
