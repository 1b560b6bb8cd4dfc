#pragma once

#include "platform/users.h"
#include "platform/win32/win32_all_users_lock.h"

namespace zelvane {

// The users of the running Windows: account names, the profile list, hive loading, and the
// all-users lock, held until this object ends.
class Win32Users : public Users {
  public:
    std::wstring CurrentUser() override;
    std::wstring AccountName(const std::wstring& sid) override;
    long Profiles(std::vector<UserProfile>& profiles) override;
    long DefaultUserFolder(std::wstring& folder) override;
    bool VistaLayout() override;
    long EnableHivePrivileges() override;
    long LockAllUsersRuns(std::uint32_t timeoutMs) override;
    long CheckHivePath(const std::wstring& file, std::wstring& where) override;
    long LoadHive(const std::wstring& name, const std::wstring& file) override;
    long UnloadHive(const std::wstring& name) override;
    void Pause(std::uint32_t milliseconds) override;

  private:
    AllUsersLock lock_;
};

}  // namespace zelvane
