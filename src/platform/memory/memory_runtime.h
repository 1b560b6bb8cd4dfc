#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/memory/faults.h"
#include "platform/runtime.h"
#include "platform/shell.h"

namespace zelvane {

struct ShownMessage {
    std::wstring prompt;
    int buttons;
    std::wstring title;
};

// Message boxes answered from a script, and an elevation that is only recorded.
class MemoryRuntime : public Runtime {
  public:
    explicit MemoryRuntime(Faults& faults) : faults_(faults) {}

    int MsgBox(const std::wstring& prompt, int buttons, const std::wstring& title) override;
    bool CanElevate() const override { return canElevate; }
    long StartElevated(const std::vector<std::wstring>& arguments) override;
    bool HighContrast() const override { return highContrast; }
    bool ClientAreaAnimation() const override { return clientAreaAnimation; }

    bool highContrast = false;
    bool clientAreaAnimation = true;
    // Answers for the coming message boxes, in order; a box with no answer left gets OK
    // (or No, when it asks Yes or No; Cancel, when it asks Cancel, Try Again or Continue).
    std::deque<int> answers;
    std::vector<ShownMessage> shown;
    // Runs while a box is up, as the events that its modal loop delivers do.
    std::function<void()> whileShown;

    bool canElevate = false;
    // The arguments of every elevated start asked for, and what the next one returns.
    std::vector<std::vector<std::wstring>> elevatedStarts;
    long elevatedResult = 0;

  private:
    Faults& faults_;
};

class MemoryShell : public Shell {
  public:
    std::intptr_t Open(const std::wstring& address) override;

    std::vector<std::wstring> launches;  // the addresses opened, in order
};

}  // namespace zelvane
