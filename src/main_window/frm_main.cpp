#include "main_window/frm_main.h"

#include <utility>

#include "main_window/account_path.h"
#include "main_window/elevated_erase.h"
#include "main_window/erase_report.h"
#include "main_window/main_layout.h"

namespace zelvane {

frmMain::frmMain(MainControls controls, Runtime& runtime, Registry& registry,
                 std::function<frmAbout&()> aboutWindow)
    : c_(controls),
      runtime_(runtime),
      registry_(registry),
      module1_(registry),
      aboutWindow_(std::move(aboutWindow)) {}

void frmMain::Form_Load() {
    Expanded = kFalse;
    RootKey = kHkeyCurrentUser;  // &H80000001
    AccountsPath = L"\\Software\\Mirabilis\\ICQ\\NewOwners";
    c_.List1.Clear();
}

// The list is filled once the window is in front of the user: the list lies out of view until
// the window is expanded, and no click can reach it before it is full.
void frmMain::Form_Shown() {
    UpdateMe();
}

void frmMain::UpdateMe() {
    c_.List1.Clear();
    // The path is kept with a leading backslash, which the registry does not want.
    const std::wstring path = AccountsPath.empty() ? std::wstring() : AccountsPath.substr(1);
    module1_.ListAccounts(RootKey, path, c_.List1);
}

void frmMain::List1_Click() {
    c_.txtUIN.SetText(c_.List1.List(c_.List1.ListIndex()));
}

void frmMain::List1_DblClick() {
    List1_Click();
    cmdDelete_Click();
}

void frmMain::txtUIN_KeyPress(std::int16_t& KeyAscii) {
    // Digits go in, and so does every code up to the space: Backspace, Enter and the
    // control-key combinations such as Ctrl+V.
    if ((KeyAscii < '0' || KeyAscii > '9') && KeyAscii > ' ') KeyAscii = 0;
}

void frmMain::cmdDelete_Click() {
    const int answer =
        runtime_.MsgBox(L"Are you sure you want to delete this UIN? (" + c_.txtUIN.Text() + L")",
                        vbYesNo + vbCritical, L"Confirmation");
    if (answer != vbYes) return;

    const std::wstring uin = c_.txtUIN.Text();
    if (uin.empty()) {
        runtime_.MsgBox(L"Fill in the UIN, And then click 'Erase'", vbCritical, L"Input Error");
        return;
    }
    if (!IsAccountName(uin)) {
        ShowRefusal(runtime_, uin);
        return;
    }
    EraseAccount();
}

void frmMain::EraseAccount() {
    EraseReport report;
    std::wstring uin;
    for (const AccountPlace& place : kAccountPlaces) {
        // The box is read afresh for every place; each text is checked again before it
        // reaches a delete.
        uin = c_.txtUIN.Text();
        if (!IsAccountName(uin)) {
            ShowRefusal(runtime_, uin);
            return;
        }
        report.Add(place,
                   registry_.DeleteTree(place.hive, std::wstring(place.parent), uin, place.view));
    }
    const bool offer = report.AdministratorCouldFinish() && runtime_.CanElevate();
    if (report.Show(runtime_, offer)) FinishAsAdministrator(uin);
}

// A declined elevation prompt is the user's answer, not a failure.
void frmMain::FinishAsAdministrator(const std::wstring& uin) {
    const long result = runtime_.StartElevated({kEraseAsAdministrator, uin});
    if (result == kErrorSuccess || result == kErrorCancelled) return;
    runtime_.MsgBox(
        L"Zelvane could not be started as administrator (error " + std::to_wstring(result) + L").",
        vbExclamation, L"Not erased everywhere");
}

void frmMain::cmdAbout_Click() {
    aboutWindow_().Show();
}

void frmMain::Command1_Click() {
    // With animations turned off, the finishing step comes at once: the same end as the
    // animation's, without the steps that would move the window's edge.
    const bool animate = runtime_.ClientAreaAnimation();
    if (Expanded == kTrue) {
        Expanded = kFalse;
        if (!animate) return FinishAnimation(L"v", kCollapsedHeight, c_.tmrEffectUp);
        c_.tmrEffectUp.SetEnabled(true);
        c_.Command1.SetEnabled(false);
    } else if (Expanded == kFalse) {
        Expanded = kTrue;
        if (!animate) return FinishAnimation(L"^", kExpandedHeight, c_.tmrEffectDown);
        c_.tmrEffectDown.SetEnabled(true);
        c_.Command1.SetEnabled(false);
    }
}

void frmMain::tmrEffectDown_Timer() {
    if (c_.form.Height() < kExpandedHeight) {
        c_.form.SetHeight(c_.form.Height() + 10.0f);
    } else if (c_.form.Height() >= kExpandedHeight) {
        FinishAnimation(L"^", kExpandedHeight, c_.tmrEffectDown);
    }
}

void frmMain::tmrEffectUp_Timer() {
    if (c_.form.Height() > kCollapsedHeight) {
        c_.form.SetHeight(c_.form.Height() - 10.0f);
    } else if (c_.form.Height() <= kCollapsedHeight) {
        FinishAnimation(L"v", kCollapsedHeight, c_.tmrEffectUp);
    }
}

// The tick after the height reached or passed its limit snaps it to the limit exactly and
// gives the button back.
void frmMain::FinishAnimation(const wchar_t* caption, float height, Timer& timer) {
    c_.Command1.SetCaption(caption);
    c_.form.SnapHeight(height);
    c_.Command1.SetEnabled(true);
    timer.SetEnabled(false);
}

void frmMain::Raise(int control, FormEvent event) {
    switch (control) {
        case kMainForm:
            if (event == FormEvent::kLoad) Form_Load();
            if (event == FormEvent::kShown) Form_Shown();
            break;
        case kList1:
            if (event == FormEvent::kClick) List1_Click();
            if (event == FormEvent::kDblClick) List1_DblClick();
            break;
        case kCmdDelete:
            if (event == FormEvent::kClick) cmdDelete_Click();
            break;
        case kCmdAbout:
            if (event == FormEvent::kClick) cmdAbout_Click();
            break;
        case kCommand1:
            if (event == FormEvent::kClick) Command1_Click();
            break;
        case kTmrEffectDown:
            if (event == FormEvent::kTimer) tmrEffectDown_Timer();
            break;
        case kTmrEffectUp:
            if (event == FormEvent::kTimer) tmrEffectUp_Timer();
            break;
        default:
            break;
    }
}

void frmMain::KeyPress(int control, std::int16_t& keyAscii) {
    if (control == kTxtUIN) txtUIN_KeyPress(keyAscii);
}

// An animation abandoned by a failing tick: the flag and the caption go back to where they
// stood before the click that started it, and the button comes back, so that the next click
// takes up the same way again from wherever the window stopped.
void frmMain::TimerFailed(int control) {
    if (control == kTmrEffectDown) {
        Expanded = kFalse;
        c_.Command1.SetCaption(L"v");
    } else if (control == kTmrEffectUp) {
        Expanded = kTrue;
        c_.Command1.SetCaption(L"^");
    } else {
        return;
    }
    c_.Command1.SetEnabled(true);
}

}  // namespace zelvane
