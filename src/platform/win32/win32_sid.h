#pragma once

#include <string>
#include <vector>

#include <windows.h>

namespace zelvane {

// The SID as text, "S-1-5-21-..."; empty when it is not one.
std::wstring SidText(PSID sid);

// "DOMAIN\name" of the account the SID names (the name alone where it has no domain); empty
// when the system knows no such account.
std::wstring AccountNameOf(PSID sid);

// The TOKEN_USER of a token opened with TOKEN_QUERY, in a buffer of its own; empty when it
// cannot be read.
std::vector<BYTE> ReadTokenUser(HANDLE token);

// The SID of the user this process runs as, as text; empty when it cannot be read.
std::wstring ProcessUserSid();

}  // namespace zelvane
