#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zelvane {

// Runs the command this process was started with (/list, /erase, /?) and returns its exit
// code; nothing, and nothing done, when the process was started without arguments, or with
// the private ones of the instance started as administrator: then the window program runs.
std::optional<int> RunFromCommandLine();

// The arguments this process was started with, its name left out.
std::vector<std::wstring> ProgramArguments();

}  // namespace zelvane
