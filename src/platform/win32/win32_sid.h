#pragma once

#include <string>
#include <vector>

#include <windows.h>

namespace zelvane {

// SIDs as text, "S-1-5-21-...", both ways. ConvertSidToStringSidW and its converse would
// do, but they are missing from the Windows XP headers that the imports are checked against.
std::wstring SidText(PSID sid);
// The SID the text names, in buffer; false when it names none.
bool ParseSid(const std::wstring& text, std::vector<BYTE>& buffer);

// The SID of the user this process runs as, as text; empty when it cannot be read.
std::wstring ProcessUserSid();

}  // namespace zelvane
