#pragma once

#include <string>

#include "main_window/messages.h"
#include "platform/registry.h"

namespace zelvane {

// The private argument, followed by the account number, with which Zelvane starts itself
// as administrator to finish an erasure that the user's own rights could not.
inline constexpr wchar_t kEraseAsAdministrator[] = L"/erase-as-administrator";

// What that instance does: erases the account from the places outside the user's own hive
// (the default profile and the machine hive, which a standard user may not change), shows
// the outcome and returns. It leaves the current user's hive and virtual store alone: an
// instance started as administrator may be running as another user.
void EraseAsAdministrator(const std::wstring& uin, const Messages& messages, Registry& registry);

}  // namespace zelvane
