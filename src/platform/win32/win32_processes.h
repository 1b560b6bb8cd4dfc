#pragma once

#include "platform/processes.h"

namespace zelvane {

// The processes of this PC through a Toolhelp snapshot, which every Windows from XP on has.
class Win32Processes : public Processes {
  public:
    long Snapshot(std::vector<ProcessEntry>& processes) override;
    std::uint32_t CurrentSession() override;
    std::wstring User(std::uint32_t id) override;
};

}  // namespace zelvane
