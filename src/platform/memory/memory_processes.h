#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/processes.h"

namespace zelvane {

// Processes as a test sets them; this program runs in session 1.
class MemoryProcesses : public Processes {
  public:
    long Snapshot(std::vector<ProcessEntry>& processes) override {
        ++snapshots;
        if (onSnapshot) onSnapshot();
        if (failure != 0) return failure;
        processes = running;
        return 0;
    }
    std::uint32_t CurrentSession() override { return 1; }
    std::wstring User(std::uint32_t id) override {
        const auto user = users.find(id);
        return user == users.end() ? L"" : user->second;
    }

    std::vector<ProcessEntry> running;
    std::map<std::uint32_t, std::wstring> users;  // who runs each, where that can be told
    long failure = 0;                             // what taking a snapshot returns instead
    int snapshots = 0;
    std::function<void()> onSnapshot;  // runs as each snapshot is taken
};

}  // namespace zelvane
