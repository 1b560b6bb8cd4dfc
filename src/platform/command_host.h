#pragma once

#include <string>

namespace zelvane {

// Where a run from the command line reports to, and what it asks of the process.
class CommandHost {
  public:
    virtual ~CommandHost() = default;
    // Finds where text can go: the standard handles the process inherited, else the console
    // of the process that started it. False when there is neither.
    virtual bool OpenOutput() = 0;
    // Writes to what OpenOutput found; errors to the error stream where there is one.
    virtual void Write(const std::wstring& text, bool error) = 0;
    // A message box for a run that has nowhere to write (styles as Runtime::MsgBox takes).
    virtual void ShowBox(const std::wstring& text, int style, const std::wstring& title) = 0;
    // Whether the process runs with administrator rights in effect.
    virtual bool Elevated() = 0;
    // The system's text for an error code, without a trailing period or line break.
    virtual std::wstring ErrorText(long code) = 0;
};

}  // namespace zelvane
