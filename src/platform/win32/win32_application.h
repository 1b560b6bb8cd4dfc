#pragma once

#include <string>
#include <vector>

#include <windows.h>

namespace zelvane {

// What the program's forms share: the module they come from, the hidden window that owns
// them (an owned window stays out of the task bar), the set of forms the user has open and
// the message loop. The program ends when the user has closed every form. While it lives,
// its thread is a single-threaded COM apartment, which the shell's launches need (some verbs
// and handlers are COM objects) and which its message loop serves.
class Win32Application {
  public:
    explicit Win32Application(HINSTANCE instance);
    ~Win32Application();
    Win32Application(const Win32Application&) = delete;
    Win32Application& operator=(const Win32Application&) = delete;

    HINSTANCE Instance() const { return instance_; }
    HWND Owner() const { return owner_; }

    // A form's window was made, or is being destroyed. When the last one goes, the message
    // loop ends.
    void FormOpened(HWND form);
    void FormClosed(HWND form);
    bool IsForm(HWND window) const;
    // The owner of every message box and launch: the form active on this thread, or none.
    // The logic never names a window: what it shows or starts answers the user's input,
    // which went to the active form, and so belongs in front of that form. With no form
    // active (a timer's report while the user works in another program) there is no owner
    // rather than one the user is not looking at.
    HWND ActiveForm() const;

    // Runs the dialog-style message loop until the last form is closed: Tab moves through
    // a form's controls and Alt with an access key presses its button.
    int Run();

    // A message box modal to the whole program: owned by the active form, with every other
    // form disabled until it is answered. Returns the button pressed, 0 on failure.
    int ShowMessage(const std::wstring& text, const std::wstring& title, UINT style);

  private:
    HINSTANCE instance_;
    bool comStarted_ = false;
    HWND owner_ = nullptr;
    std::vector<HWND> forms_;
};

}  // namespace zelvane
