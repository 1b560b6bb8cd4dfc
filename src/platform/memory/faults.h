#pragma once

#include <string>
#include <vector>

namespace zelvane {

// Counts the operations that the in-memory backend performs, in order, and makes the one
// chosen fail: a control operation then raises a run-time error and a registry call
// returns an error code.
class Faults {
  public:
    // The n-th operation from now fails (counting from 1); 0 for none.
    void FailOperation(int n) {
        failAt_ = n;
        log_.clear();
    }

    // Counts one operation; true when it is the one that fails.
    bool Next(std::string operation) {
        log_.push_back(std::move(operation));
        return static_cast<int>(log_.size()) == failAt_;
    }

    // Every operation counted since the last FailOperation, in order.
    const std::vector<std::string>& log() const { return log_; }

  private:
    int failAt_ = 0;
    std::vector<std::string> log_;
};

}  // namespace zelvane
