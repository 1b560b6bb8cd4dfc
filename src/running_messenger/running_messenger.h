#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/processes.h"

namespace zelvane {

// A process of the messenger: it keeps an account's settings in the registry while it runs
// and can write them there again when it ends, so an erase meanwhile may not last.
struct RunningMessenger {
    std::wstring image;
    std::uint32_t id = 0;
    std::wstring user;  // "DOMAIN\name"; empty when not known
};

// The messenger's processes running now (the 2000-2003 clients' ICQ.exe and ICQ Lite's
// ICQLite.exe, named in any case): in this program's own session, or with everySession in
// any. A snapshot that cannot be taken finds none.
std::vector<RunningMessenger> FindRunningMessenger(Processes& processes, bool everySession);

// "ICQ.exe (process 1234, PC\alice)", the user left out where not known.
std::wstring Described(const RunningMessenger& process);

}  // namespace zelvane
