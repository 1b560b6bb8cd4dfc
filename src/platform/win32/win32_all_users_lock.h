#pragma once

#include <cstdint>

#include <windows.h>

namespace zelvane {

// The lock that keeps runs for all users on one PC apart: held from a Take that returns 0
// until this object ends.
class AllUsersLock {
  public:
    AllUsersLock() = default;
    ~AllUsersLock();
    AllUsersLock(const AllUsersLock&) = delete;
    AllUsersLock& operator=(const AllUsersLock&) = delete;

    // Waits up to timeoutMs for the lock: 0 once it is held; kErrorTimeout when another run
    // held it all that time; kErrorLockNameTaken when an object that is not the lock has its
    // name (not held, and the run may go on); or the system's error.
    long Take(std::uint32_t timeoutMs);

  private:
    HANDLE mutex_ = nullptr;      // while held
    HANDLE namespace_ = nullptr;  // the private namespace that holds it, where there is one
};

}  // namespace zelvane
