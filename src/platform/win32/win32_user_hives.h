#pragma once

#include "platform/user_hives.h"

namespace zelvane {

// The profile list, account names and hive loading of the running Windows.
class Win32UserHives : public UserHives {
  public:
    long Profiles(std::vector<UserProfile>& profiles) override;
    std::wstring CurrentUser() override;
    std::wstring AccountName(const std::wstring& sid) override;
    long EnableHivePrivileges() override;
    long Load(const std::wstring& name, const std::wstring& file) override;
    long Unload(const std::wstring& name) override;
};

}  // namespace zelvane
