#include "main_window/main_window.h"

#include "account_erase/account_erase.h"
#include "main_window/elevated_erase.h"
#include "main_window/erase_report.h"
#include "main_window/main_layout.h"
#include "platform/decimal.h"
#include "running_messenger/running_messenger.h"

namespace zelvane {

MainWindow::MainWindow(MainControls controls, Runtime& runtime, Registry& registry,
                       Processes& processes, const Strings& strings, AboutWindowSource& aboutWindow)
    : controls_(controls),
      runtime_(runtime),
      registry_(registry),
      processes_(processes),
      strings_(strings),
      messages_(runtime, strings),
      listing_(registry),
      aboutWindow_(aboutWindow) {}

MainControls BindMainControls(Form& form) {
    return {form,
            form.TextBoxControl(kUinBox),
            form.ListBoxControl(kAccountList),
            form.ButtonControl(kToggleButton),
            form.TimerControl(kCollapseTimer),
            form.TimerControl(kExpandTimer)};
}

void MainWindow::OnLoad() {
    expanded_ = kFalse;
    controls_.accountList.Clear();
    // Collapsed, the list lies below the window's edge, out of sight: it is hidden too, out
    // of reach of the keyboard and of screen readers, until an expand begins.
    controls_.accountList.SetVisible(false);
}

// The list is filled once the window is in front of the user: the list lies out of view until
// the window is expanded, and no click can reach it before it is full.
void MainWindow::OnShown() {
    FillAccountList();
}

void MainWindow::FillAccountList() {
    controls_.accountList.Clear();
    std::vector<std::wstring> names;
    listing_.ListAccounts(kHkeyCurrentUser, ListingPath(), names);
    // Filled as one update, ended on every way out.
    struct UpdateEnder {
        ListBox& list;
        ~UpdateEnder() { list.EndUpdate(); }
    };
    controls_.accountList.BeginUpdate();
    const UpdateEnder ender{controls_.accountList};
    for (const std::wstring& name : names) controls_.accountList.AddItem(name);
}

void MainWindow::OnAccountClick() {
    controls_.uinBox.SetText(controls_.accountList.List(controls_.accountList.ListIndex()));
}

void MainWindow::OnAccountDoubleClick() {
    OnAccountClick();
    OnEraseClick();
}

void MainWindow::OnUinKeyPress(std::int16_t& keyCode) {
    // Digits go in, and so does every code up to the space: Backspace, Enter and the
    // control-key combinations such as Ctrl+V.
    if ((keyCode < '0' || keyCode > '9') && keyCode > ' ') keyCode = 0;
}

// The box is read for the confirmation, and once more after it: the box may have changed
// while the confirmation was up, and what is erased is what it holds once the user said Yes.
void MainWindow::OnEraseClick() {
    if (!MessengerClosedOrIgnored()) return;
    const std::wstring asked = messages_.LeftToRight(controls_.uinBox.Text());
    if (messages_.Show(messages_.Text(IDS_CONFIRM, {asked}), kYesNo + kCriticalIcon,
                       IDS_CONFIRM_TITLE) != kAnswerYes) {
        return;
    }
    const std::wstring uin = controls_.uinBox.Text();
    if (uin.empty()) {
        messages_.Show(messages_.Text(IDS_FILL_IN, {WithoutAccessKey(IDS_ERASE_BUTTON)}),
                       kCriticalIcon, IDS_INPUT_ERROR_TITLE);
        return;
    }
    if (!IsAccountName(uin)) {
        ShowRefusal(messages_, uin);
        return;
    }
    EraseEverywhere(uin);
}

// The messenger, running in this session, may write the account back when it ends: the user
// is told which program it is, and closes it (Try Again looks once more), goes on anyway
// (Continue) or stops here (Cancel). Not running, nothing is shown.
bool MainWindow::MessengerClosedOrIgnored() {
    for (;;) {
        const std::vector<RunningMessenger> running = FindRunningMessenger(processes_, false);
        if (running.empty()) return true;
        std::wstring names;
        for (const RunningMessenger& process : running) {
            const std::wstring image = messages_.LeftToRight(process.image);
            const std::wstring id = Decimal(static_cast<long>(process.id));
            if (!names.empty()) names += L", ";
            names += process.user.empty()
                         ? messages_.Text(IDS_PROCESS, {image, id})
                         : messages_.Text(IDS_PROCESS_OF_USER,
                                          {image, id, messages_.LeftToRight(process.user)});
        }
        const int answer =
            messages_.Show(messages_.Text(IDS_MESSENGER_RUNNING, {names}),
                           kCancelTryContinue + kExclamationIcon, IDS_MESSENGER_TITLE);
        if (answer == kAnswerContinue) return true;
        if (answer != kAnswerTryAgain) return false;
    }
}

void MainWindow::EraseEverywhere(const std::wstring& uin) {
    const EraseReport report(
        EraseAccount(registry_, uin, CurrentUserPlaces(), LinkRule::kFollowAboveAccount),
        registry_);
    const bool offer = report.AdministratorCouldFinish() && runtime_.CanElevate();
    if (report.ShowAndAskForAdministrator(messages_, offer)) FinishAsAdministrator(uin);
}

// A declined elevation prompt is the user's answer, not a failure.
void MainWindow::FinishAsAdministrator(const std::wstring& uin) {
    const long result = runtime_.StartElevated({kEraseAsAdministrator, uin});
    if (result == kErrorSuccess || result == kErrorCancelled) return;
    messages_.Show(messages_.Text(IDS_ADMINISTRATOR_FAILED, {Decimal(result)}), kExclamationIcon,
                   IDS_NOT_ERASED_TITLE);
}

// A button's caption as a sentence names it: without the & that marks its access key.
std::wstring MainWindow::WithoutAccessKey(int id) const {
    std::wstring caption(strings_.Text(id));
    std::erase(caption, L'&');
    return caption;
}

void MainWindow::OnAboutClick() {
    aboutWindow_.Get().Show();
}

void MainWindow::OnToggleClick() {
    // With animations turned off, the finishing step comes at once: the same end as the
    // animation's, without the steps that would move the window's edge.
    const bool animate = runtime_.ClientAreaAnimation();
    focusWaitsOn_ = 0;
    if (expanded_ == kTrue) {
        expanded_ = kFalse;
        const int focus = controls_.form.FocusedControl();
        if (!animate) return FinishAnimation(L"v", kCollapsedHeight, controls_.collapseTimer);
        // The button is disabled and the list about to be hidden: meanwhile the focus waits
        // on the box, the next control in tab order that stays in sight.
        if (focus == kToggleButton || focus == kAccountList) ParkFocus(kUinBox);
        controls_.collapseTimer.SetEnabled(true);
        controls_.toggleButton.SetEnabled(false);
    } else if (expanded_ == kFalse) {
        expanded_ = kTrue;
        // Shown before the window grows, each step uncovers the list as it always did.
        controls_.accountList.SetVisible(true);
        if (!animate) return FinishAnimation(L"^", kExpandedHeight, controls_.expandTimer);
        // The button is disabled: meanwhile the focus waits on the list the user asked to
        // see, so that the arrow keys pick an account as soon as it shows.
        if (controls_.form.FocusedControl() == kToggleButton) ParkFocus(kAccountList);
        controls_.expandTimer.SetEnabled(true);
        controls_.toggleButton.SetEnabled(false);
    }
}

// A disabled button cannot keep the focus (Windows takes it away), so the focus waits on a
// control in sight until the button is back.
void MainWindow::ParkFocus(int control) {
    controls_.form.SetFocus(control);
    focusWaitsOn_ = control;
}

// A step is 10 twips, less than a pixel at most DPIs: the window moves at least a pixel a
// tick (see HeightToPixels), and at 10 ms a tick the panel opens in a second or so. The
// height is read again for every test, never kept: the window rounds what it is given to
// whole pixels, and the next step and the finishing test go from the height it really has.
void MainWindow::OnExpandTick() {
    if (controls_.form.Height() < kExpandedHeight) {
        controls_.form.SetHeight(controls_.form.Height() + kAnimationStep);
    } else if (controls_.form.Height() >= kExpandedHeight) {
        FinishAnimation(L"^", kExpandedHeight, controls_.expandTimer);
    }
}

// As OnExpandTick, the other way.
void MainWindow::OnCollapseTick() {
    if (controls_.form.Height() > kCollapsedHeight) {
        controls_.form.SetHeight(controls_.form.Height() - kAnimationStep);
    } else if (controls_.form.Height() <= kCollapsedHeight) {
        FinishAnimation(L"v", kCollapsedHeight, controls_.collapseTimer);
    }
}

// The tick after the height reached or passed its limit snaps it to the limit exactly and
// gives the button back. The focus goes back to the button if it had it when the animation
// began and still waits where the animation put it, untouched; a collapse ends with the list
// hidden, and the focus on the button if a click put it on the list meanwhile. Anywhere
// else the user put it, it stays.
void MainWindow::FinishAnimation(const wchar_t* caption, float height, Timer& timer) {
    // The height first: the button tells the next way to go only once the window is there.
    controls_.form.SnapHeight(height);
    controls_.toggleButton.SetCaption(caption);
    const bool collapsed = expanded_ == kFalse;
    const int focus = controls_.form.FocusedControl();
    const bool refocus =
        (focusWaitsOn_ != 0 && focus == focusWaitsOn_) || (collapsed && focus == kAccountList);
    focusWaitsOn_ = 0;
    if (collapsed) controls_.accountList.SetVisible(false);
    controls_.toggleButton.SetEnabled(true);
    if (refocus) controls_.form.SetFocus(kToggleButton);
    timer.SetEnabled(false);
}

void MainWindow::Raise(int control, FormEvent event) {
    // The user took up the control the focus waits on (picked an account in the list): the
    // focus is theirs now, and stays there when the animation ends.
    if (control == focusWaitsOn_) focusWaitsOn_ = 0;
    switch (control) {
        case kForm:
            if (event == FormEvent::kLoad) OnLoad();
            if (event == FormEvent::kShown) OnShown();
            break;
        case kAccountList:
            if (event == FormEvent::kClick) OnAccountClick();
            if (event == FormEvent::kDblClick) OnAccountDoubleClick();
            break;
        case kEraseButton:
            if (event == FormEvent::kClick) OnEraseClick();
            break;
        case kAboutButton:
            if (event == FormEvent::kClick) OnAboutClick();
            break;
        case kToggleButton:
            if (event == FormEvent::kClick) OnToggleClick();
            break;
        case kExpandTimer:
            if (event == FormEvent::kTimer) OnExpandTick();
            break;
        case kCollapseTimer:
            if (event == FormEvent::kTimer) OnCollapseTick();
            break;
        default:
            break;
    }
}

void MainWindow::KeyPress(int control, std::int16_t& keyCode) {
    if (control == focusWaitsOn_) focusWaitsOn_ = 0;  // typed into, as above
    if (control == kUinBox) OnUinKeyPress(keyCode);
}

// An animation abandoned by a failing tick: the flag and the caption go back to where they
// stood before the click that started it, and the button comes back, so that the next click
// takes up the same way again from wherever the window stopped.
void MainWindow::TimerFailed(int control) {
    if (control == kExpandTimer) {
        expanded_ = kFalse;
        controls_.toggleButton.SetCaption(L"v");
    } else if (control == kCollapseTimer) {
        expanded_ = kTrue;
        controls_.toggleButton.SetCaption(L"^");
    } else {
        return;
    }
    controls_.toggleButton.SetEnabled(true);
}

}  // namespace zelvane
