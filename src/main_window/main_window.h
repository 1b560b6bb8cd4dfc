#pragma once

#include <cstdint>
#include <string>

#include "about_window/about_window.h"
#include "main_window/messages.h"
#include "platform/controls.h"
#include "platform/form_layout.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/runtime.h"
#include "platform/strings.h"
#include "registry_listing/account_listing.h"

namespace zelvane {

// Booleans as the window's fields hold them.
constexpr std::int16_t kTrue = -1;
constexpr std::int16_t kFalse = 0;

// The main window's controls that its handlers use.
struct MainControls {
    Form& form;
    TextBox& uinBox;
    ListBox& accountList;
    CommandButton& toggleButton;
    Timer& collapseTimer;
    Timer& expandTimer;
};

// The main window's controls, taken from its form by their layout ids: the one place that
// wires them, for the program, its tests and its benchmarks alike.
MainControls BindMainControls(Form& form);

// Gives the one About window, making it the first time it is asked for.
class AboutWindowSource {
  public:
    virtual AboutWindow& Get() = 0;

  protected:
    ~AboutWindowSource() = default;
};

// The start-up window: lists the accounts, erases the chosen one from every place it is
// kept, and grows or shrinks to show or hide the account list.
class MainWindow : public FormEvents {
  public:
    // The messages are in the strings' language.
    MainWindow(MainControls controls, Runtime& runtime, Registry& registry, Processes& processes,
               const Strings& strings, AboutWindowSource& aboutWindow);

    // Clears the account list and fills it again from the registry.
    void FillAccountList();

    void OnLoad();
    void OnShown();
    void OnAccountClick();
    void OnAccountDoubleClick();
    void OnUinKeyPress(std::int16_t& keyCode);
    void OnEraseClick();
    void OnAboutClick();
    void OnToggleClick();
    void OnExpandTick();
    void OnCollapseTick();

    void Raise(int control, FormEvent event) override;
    void KeyPress(int control, std::int16_t& keyCode) override;
    void TimerFailed(int control) override;

  private:
    bool MessengerClosedOrIgnored();
    void EraseEverywhere(const std::wstring& uin);
    void FinishAsAdministrator(const std::wstring& uin);
    std::wstring WithoutAccessKey(int id) const;
    void ParkFocus(int control);
    void FinishAnimation(const wchar_t* caption, float height, Timer& timer);

    // expanded_ or expanding: True from the click that starts growing the window to the click
    // that starts shrinking it. It holds True (-1) or False (0); a click checks for each and
    // leaves any other value alone rather than reading "not True" as False.
    std::int16_t expanded_ = kFalse;
    // The control the running animation moved the focus to from the disabled button, 0 when
    // the focus was elsewhere or the user has since used that control.
    int focusWaitsOn_ = 0;

    MainControls controls_;
    Runtime& runtime_;
    Registry& registry_;
    Processes& processes_;
    const Strings& strings_;
    Messages messages_;
    AccountListing listing_;
    AboutWindowSource& aboutWindow_;
};

}  // namespace zelvane
