#pragma once

#include <string>
#include <vector>

#include "platform/result_codes.h"

namespace zelvane {

// Message box styles; a style word is the sum of one icon and, but for a box with only an
// OK button, one button set, and for a language read right to left both reading flags.
enum MsgBoxStyle : int {
    kYesNo = 4,
    kCancelTryContinue = 6,
    kCriticalIcon = 16,
    kExclamationIcon = 48,
    kInformationIcon = 64,
    kRightAligned = 0x80000,
    kRightToLeftReading = 0x100000,
};

// The buttons a message box answers with.
enum MsgBoxAnswer : int {
    kAnswerOk = 1,
    kAnswerCancel = 2,
    kAnswerYes = 6,
    kAnswerNo = 7,
    kAnswerTryAgain = 10,
    kAnswerContinue = 11,
};

// The runtime services that are not bound to one window.
class Runtime {
  public:
    virtual ~Runtime() = default;
    // Modal message box; returns the code of the button pressed, 0 when the box ended with
    // none pressed.
    virtual int MsgBox(const std::wstring& prompt, int buttons, const std::wstring& title) = 0;
    // Whether this program runs without the administrator rights that the system could
    // give it on request (UAC's elevation prompt). False when it already has them, and on
    // systems without elevation.
    virtual bool CanElevate() const = 0;
    // Starts another instance of this program with administrator rights and the given
    // arguments, after the system's elevation prompt; does not wait for it. Returns 0 when
    // it started, kErrorCancelled when the user declined, another system error otherwise.
    virtual long StartElevated(const std::vector<std::wstring>& arguments) = 0;
    // The user's display settings, read afresh on every call so that the windows follow a
    // change while the program runs. High contrast: the system's colors replace the
    // windows' own. Client-area animation ("Show animations in Windows"): when off, what
    // would move or grow takes its final place at once.
    virtual bool HighContrast() const = 0;
    virtual bool ClientAreaAnimation() const = 0;
};

}  // namespace zelvane
