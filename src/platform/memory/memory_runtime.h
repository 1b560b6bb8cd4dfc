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

// Message boxes answered from a script, and a code page that stands for a typical single-
// byte ANSI one: Latin-1 converts exactly; any other character becomes a best-fit
// look-alike where one exists (full-width forms become their ASCII twins, so a full-width
// backslash becomes '\') or '?', and the conversion is marked inexact.
class MemoryRuntime : public Runtime {
  public:
    explicit MemoryRuntime(Faults& faults) : faults_(faults) {}

    int MsgBox(const std::wstring& prompt, int buttons, const std::wstring& title) override;
    AnsiText StrToAnsi(std::wstring_view text) const override;
    std::wstring StrToUnicode(std::string_view text) const override;
    bool HighContrast() const override { return highContrast; }
    bool ClientAreaAnimation() const override { return clientAreaAnimation; }

    bool highContrast = false;
    bool clientAreaAnimation = true;
    // Answers for the coming message boxes, in order; a box with no answer left gets OK
    // (or No, when it asks Yes or No).
    std::deque<int> answers;
    std::vector<ShownMessage> shown;
    // Runs while a box is up, as the events that its modal loop delivers do.
    std::function<void()> whileShown;

  private:
    Faults& faults_;
};

struct Launch {
    WindowHandle owner;
    std::string file;
    std::string directory;
    int show;
};

class MemoryShell : public Shell {
  public:
    std::intptr_t Open(WindowHandle owner, const std::string& file, const std::string& directory,
                       int show) override;

    std::vector<Launch> launches;
};

}  // namespace zelvane
