#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "about_window/frm_about.h"
#include "platform/controls.h"
#include "platform/form_layout.h"
#include "platform/registry.h"
#include "platform/runtime.h"
#include "registry_listing/module1.h"

namespace zelvane {

// Booleans as the window's fields hold them.
constexpr std::int16_t kTrue = -1;
constexpr std::int16_t kFalse = 0;

// The main window's controls that its handlers use.
struct MainControls {
    Form& form;
    TextBox& txtUIN;
    ListBox& List1;
    CommandButton& Command1;
    Timer& tmrEffectUp;
    Timer& tmrEffectDown;
};

// The start-up window: lists the accounts, erases the chosen one from the three places it
// is kept, and grows or shrinks to show or hide the account list.
class frmMain : public FormEvents {
  public:
    // aboutWindow returns the one About window, creating it the first time it is called.
    frmMain(MainControls controls, Runtime& runtime, Registry& registry,
            std::function<frmAbout&()> aboutWindow);

    // Form-level fields.
    std::int16_t Expanded = kFalse;  // expanded or expanding
    std::wstring AccountsPath;       // key whose subkeys are listed, with a leading backslash
    std::int32_t RootKey = 0;        // hive of AccountsPath

    // Clears the account list and fills it again from the registry.
    void UpdateMe();

    void Form_Load();
    void Form_Shown();
    void List1_Click();
    void List1_DblClick();
    void txtUIN_KeyPress(std::int16_t& KeyAscii);
    void cmdDelete_Click();
    void cmdAbout_Click();
    void Command1_Click();
    void tmrEffectDown_Timer();
    void tmrEffectUp_Timer();

    void Raise(int control, FormEvent event) override;
    void KeyPress(int control, std::int16_t& keyAscii) override;
    void TimerFailed(int control) override;

  private:
    void EraseAccount();
    void FinishAsAdministrator(const std::wstring& uin);
    void FinishAnimation(const wchar_t* caption, float height, Timer& timer);

    MainControls c_;
    Runtime& runtime_;
    Registry& registry_;
    Module1 module1_;
    std::function<frmAbout&()> aboutWindow_;
};

}  // namespace zelvane
