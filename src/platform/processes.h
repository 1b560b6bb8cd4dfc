#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zelvane {

// A process as a snapshot of the system's processes shows it.
struct ProcessEntry {
    std::wstring image;     // the program's file name, "ICQ.exe"
    std::uint32_t id = 0;   // the process id
    std::uint32_t session;  // the Terminal Services session it runs in; kUnknownSession
};

constexpr std::uint32_t kUnknownSession = 0xFFFFFFFFu;

// The processes running on this PC, and who runs them.
class Processes {
  public:
    virtual ~Processes() = default;
    // Every process running now; the system's result code of taking the snapshot.
    virtual long Snapshot(std::vector<ProcessEntry>& processes) = 0;
    // The session this program runs in.
    virtual std::uint32_t CurrentSession() = 0;
    // "DOMAIN\name" of the user a process runs as; empty when this program may not ask.
    virtual std::wstring User(std::uint32_t id) = 0;
};

}  // namespace zelvane
