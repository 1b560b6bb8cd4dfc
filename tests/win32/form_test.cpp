// Win32Form built from the main window's layout: geometry, controls, events and the ends
// of its life, on real windows.
#include "platform/win32/win32_form.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "about_window/about_layout.h"
#include "main_window/main_layout.h"
#include "platform/memory/memory_runtime.h"
#include "platform/runtime_error.h"
#include "platform/win32/win32_strings.h"

namespace zelvane {
namespace {

// Records what the form raises; fails the events it is told to.
class Recorder : public FormEvents {
  public:
    void Raise(int control, FormEvent event) override {
        events.emplace_back(control, event);
        if (event == failOn) throw RuntimeError::Overflow();
    }
    // Lets digits through, as the main window does.
    void KeyPress(int /*control*/, std::int16_t& keyCode) override {
        keys.push_back(keyCode);
        if (keyCode < '0' || keyCode > '9') keyCode = 0;
    }
    int Count(int control, FormEvent event) const {
        return static_cast<int>(
            std::count(events.begin(), events.end(), std::make_pair(control, event)));
    }

    std::vector<std::pair<int, FormEvent>> events;
    std::vector<std::int16_t> keys;
    FormEvent failOn = FormEvent::kDblClick;  // none of the tests double-clicks
};

// Delivers the messages posted so far, and timer ticks for the given time.
void Pump(DWORD milliseconds = 0) {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    MSG message;
    do {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) continue;
            DispatchMessageW(&message);
        }
        if (milliseconds > 0) Sleep(5);
    } while (GetTickCount64() < end);
}

bool QuitPosted() {
    MSG message;
    return PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

int ScreenDpi() {
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

int Px(double twips, int dpi) {
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

// The string tables linked into the tests, in English whatever Wine's locale.
const Win32Strings english(GetModuleHandleW(nullptr), kEnglish);

class Win32FormTest : public ::testing::Test {
  protected:
    void SetUp() override {
        form.SetEvents(&recorder);
        form.Load();
        ASSERT_NE(form.Window(), nullptr);
    }
    void TearDown() override { Pump(); }

    HWND Child(int id) const { return GetDlgItem(form.Window(), id); }
    RECT ClientRectOf(int id) const {
        RECT rect;
        GetWindowRect(Child(id), &rect);
        MapWindowPoints(nullptr, form.Window(), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }

    const int dpi = ScreenDpi();
    Win32Application application{GetModuleHandleW(nullptr)};
    Faults faults;
    MemoryRuntime runtime{faults};
    EventDispatch dispatch{runtime, L"Zelvane"};
    Recorder recorder;
    FormSpec layout = MainLayout(english);
    Win32Form form{application, layout, dispatch};
};

TEST_F(Win32FormTest, HeightIsTheOuterHeightInTwipsAsAppliedInWholePixels) {
    RECT outer, client;
    GetWindowRect(form.Window(), &outer);
    GetClientRect(form.Window(), &client);
    EXPECT_EQ(outer.bottom - outer.top, Px(1755, dpi));
    EXPECT_EQ(client.right, Px(2010, dpi));
    EXPECT_FLOAT_EQ(form.Height(), static_cast<float>(Px(1755, dpi) * 1440.0 / dpi));

    form.SetHeight(3075.0f);
    GetWindowRect(form.Window(), &outer);
    EXPECT_EQ(outer.bottom - outer.top, Px(3075, dpi));
    EXPECT_FLOAT_EQ(form.Height(), static_cast<float>(Px(3075, dpi) * 1440.0 / dpi));

    // A step smaller than a pixel still moves the window by one, and a get reads it back.
    const float before = form.Height();
    form.SetHeight(before - 10.0f);
    GetWindowRect(form.Window(), &outer);
    EXPECT_EQ(outer.bottom - outer.top, Px(3075, dpi) - 1);
    EXPECT_FLOAT_EQ(form.Height(), static_cast<float>((Px(3075, dpi) - 1) * 1440.0 / dpi));

    // A snap lands on the nearest pixel, even when that is where the window already is.
    const float snapped = form.Height();
    form.SnapHeight(snapped + 360.0f / static_cast<float>(dpi));  // a quarter of a pixel
    EXPECT_FLOAT_EQ(form.Height(), snapped);

    EXPECT_THROW(form.SetHeight(-15.0f), RuntimeError);
}

TEST_F(Win32FormTest, ControlsAreChildrenOfTheFormAtTheirFramesOffsetsInTabOrder) {
    // uinBox lies in Frame2 (120, 120) inside Frame1 (80, 0); accountList in Frame3 (80, 1360).
    EXPECT_EQ(GetParent(Child(kUinBox)), form.Window());
    EXPECT_EQ(GetParent(Child(kAccountList)), form.Window());
    const RECT text = ClientRectOf(kUinBox);
    EXPECT_EQ(text.left, Px(80 + 120 + 480, dpi));
    EXPECT_EQ(text.top, Px(0 + 120 + 120, dpi));
    EXPECT_EQ(text.right - text.left, Px(1095, dpi));
    const RECT list = ClientRectOf(kAccountList);
    EXPECT_EQ(list.left, Px(80 + 60, dpi));
    EXPECT_EQ(list.top, Px(1360 + 160, dpi));

    std::vector<int> order;
    HWND control = GetNextDlgTabItem(form.Window(), nullptr, FALSE);
    for (int i = 0; control != nullptr && i < 10; ++i) {
        order.push_back(GetDlgCtrlID(control));
        control = GetNextDlgTabItem(form.Window(), control, FALSE);
        if (order.size() > 1 && GetDlgCtrlID(control) == order.front()) break;
    }
    EXPECT_EQ(order,
              (std::vector<int>{kUinBox, kEraseButton, kAboutButton, kToggleButton, kAccountList}));

    wchar_t caption[16] = {};
    GetWindowTextW(Child(kEraseButton), caption, 16);
    EXPECT_STREQ(caption, L"&Erase");
}

TEST_F(Win32FormTest, TypedCharactersPassKeyPressAndTheBoxTakesNine) {
    const HWND edit = Child(kUinBox);
    for (const wchar_t typed : {L'1', L'a', L'\uFF12', L'2'}) {
        SendMessageW(edit, WM_CHAR, typed, 1);
    }
    EXPECT_EQ(form.TextBoxControl(kUinBox).Text(), L"12");
    // The code unit goes to the handler as a signed 16-bit value.
    EXPECT_EQ(recorder.keys,
              (std::vector<std::int16_t>{'1', 'a', static_cast<std::int16_t>(0xFF12), '2'}));

    for (int i = 0; i < 10; ++i) SendMessageW(edit, WM_CHAR, L'7', 1);
    EXPECT_EQ(form.TextBoxControl(kUinBox).Text(), L"127777777");
}

TEST_F(Win32FormTest, ListBoxAppendsReadsAndClears) {
    ListBox& list = form.ListBoxControl(kAccountList);
    list.AddItem(L"123456");
    list.AddItem(L"12345678");
    list.AddItem(L"1000");  // appended, not sorted in
    EXPECT_EQ(list.List(0), L"123456");
    EXPECT_EQ(list.List(2), L"1000");
    EXPECT_EQ(list.ListIndex(), -1);
    EXPECT_EQ(list.List(-1), L"");
    EXPECT_THROW(list.List(3), RuntimeError);

    SendMessageW(Child(kAccountList), LB_SETCURSEL, 1, 0);
    EXPECT_EQ(list.ListIndex(), 1);
    list.Clear();
    EXPECT_EQ(SendMessageW(Child(kAccountList), LB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(list.ListIndex(), -1);
}

TEST_F(Win32FormTest, ControlNotificationsBecomeTheirEvents) {
    form.ListBoxControl(kAccountList).AddItem(L"123456");
    SendMessageW(Child(kEraseButton), BM_CLICK, 0, 0);
    EXPECT_EQ(recorder.Count(kEraseButton, FormEvent::kClick), 1);

    // The list reports what its items' clicks do.
    SendMessageW(form.Window(), WM_COMMAND, MAKEWPARAM(kAccountList, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(Child(kAccountList)));
    SendMessageW(form.Window(), WM_COMMAND, MAKEWPARAM(kAccountList, LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(Child(kAccountList)));
    EXPECT_EQ(recorder.Count(kAccountList, FormEvent::kClick), 1);
    EXPECT_EQ(recorder.Count(kAccountList, FormEvent::kDblClick), 1);

    // Enter and Escape reach the form as IDOK and IDCANCEL from whatever control has those
    // ids, here the frames: a frame has no events.
    const std::size_t before = recorder.events.size();
    SendMessageW(form.Window(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Child(IDOK)));
    EXPECT_EQ(recorder.events.size(), before);
}

TEST_F(Win32FormTest, LayoutColorsReachTheControls) {
    const HDC dc = GetDC(form.Window());
    // Label1 is navy (&H400000, blue in the high byte) on a transparent background.
    SendMessageW(form.Window(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(Child(kUinLabel)));
    EXPECT_EQ(GetTextColor(dc), RGB(0x00, 0x00, 0x40));
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);

    const auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(form.Window(), WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(Child(kAccountList))));
    LOGBRUSH fill = {};
    GetObjectW(brush, sizeof fill, &fill);
    EXPECT_EQ(fill.lbColor, RGB(0xE0, 0xE0, 0xE0));
    EXPECT_EQ(GetTextColor(dc), RGB(0x40, 0x40, 0x40));
    ReleaseDC(form.Window(), dc);
}

TEST_F(Win32FormTest, AFailingTimerIsStoppedAndReportedOnce) {
    recorder.failOn = FormEvent::kTimer;
    form.TimerControl(kExpandTimer).SetEnabled(true);
    Pump(200);

    EXPECT_EQ(recorder.Count(kExpandTimer, FormEvent::kTimer), 1);
    ASSERT_EQ(runtime.shown.size(), 1u);
    EXPECT_EQ(runtime.shown[0].prompt.rfind(L"Run-time error '6':", 0), 0u);
    // Stopped for real: the window gets no more ticks at all.
    Sleep(50);
    MSG tick;
    EXPECT_FALSE(PeekMessageW(&tick, form.Window(), WM_TIMER, WM_TIMER, PM_NOREMOVE));

    // Enabled again, it ticks again.
    recorder.failOn = FormEvent::kDblClick;
    form.TimerControl(kExpandTimer).SetEnabled(true);
    Pump(100);
    EXPECT_GT(recorder.Count(kExpandTimer, FormEvent::kTimer), 1);
    form.TimerControl(kExpandTimer).SetEnabled(false);
}

TEST_F(Win32FormTest, AClosedFormRaisesRunTimeErrorsUntilShownAgainWithANewLoad) {
    form.ListBoxControl(kAccountList).AddItem(L"123456");
    SendMessageW(form.Window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(form.Window(), nullptr);
    EXPECT_THROW(form.Height(), RuntimeError);
    EXPECT_THROW(form.TextBoxControl(kUinBox).Text(), RuntimeError);
    EXPECT_THROW(form.ListBoxControl(kAccountList).AddItem(L"1"), RuntimeError);
    EXPECT_THROW(form.TimerControl(kCollapseTimer).SetEnabled(true), RuntimeError);

    form.Show();
    ASSERT_NE(form.Window(), nullptr);
    EXPECT_EQ(recorder.Count(0, FormEvent::kLoad), 2);
    EXPECT_TRUE(IsWindowVisible(form.Window()));
    // Shown comes from the queue, once for each window, however often it is shown.
    EXPECT_EQ(recorder.Count(0, FormEvent::kShown), 0);
    Pump();
    form.Show();
    Pump();
    EXPECT_EQ(recorder.Count(0, FormEvent::kShown), 1);
    EXPECT_EQ(form.ListBoxControl(kAccountList).List(-1), L"");
    EXPECT_EQ(SendMessageW(Child(kAccountList), LB_GETCOUNT, 0, 0), 0);
    form.ListBoxControl(kAccountList).AddItem(L"654321");
    EXPECT_EQ(form.ListBoxControl(kAccountList).List(0), L"654321");
}

// The program ends when the user has closed every form, in either order.
class ProgramEndTest : public ::testing::TestWithParam<bool> {};

TEST_P(ProgramEndTest, TheLastClosedFormEndsTheMessageLoop) {
    Win32Application application(GetModuleHandleW(nullptr));
    Faults faults;
    MemoryRuntime runtime(faults);
    EventDispatch dispatch(runtime, L"Zelvane");
    const FormSpec mainLayout = MainLayout(english);
    const FormSpec aboutLayout = AboutLayout(english);
    Win32Form main(application, mainLayout, dispatch);
    Win32Form about(application, aboutLayout, dispatch);
    // Loaded, not shown: closing a shown window waits for a window manager that a bare
    // virtual display does not have, and the count of open forms is the same.
    main.Load();
    about.Load();
    Pump();
    ASSERT_FALSE(QuitPosted());

    const bool mainFirst = GetParam();
    SendMessageW((mainFirst ? main : about).Window(), WM_CLOSE, 0, 0);
    Pump();
    EXPECT_FALSE(QuitPosted());
    EXPECT_TRUE(application.IsForm((mainFirst ? about : main).Window()));
    SendMessageW((mainFirst ? about : main).Window(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(QuitPosted());
}

INSTANTIATE_TEST_SUITE_P(EitherOrder, ProgramEndTest, ::testing::Bool());

// Notes the COM apartment of the thread each time a form raises an event.
class ApartmentProbe : public FormEvents {
  public:
    void Raise(int control, FormEvent) override {
        last = control;
        result = CoGetApartmentType(&type, &qualifier);
    }

    int last = -1;
    HRESULT result = E_FAIL;
    APTTYPE type = APTTYPE_CURRENT;
    APTTYPEQUALIFIER qualifier = APTTYPEQUALIFIER_NONE;
};

// The About window's links call the shell from their click handlers, and some of the shell's
// verbs and handlers are COM objects: the handlers run in a single-threaded apartment, which
// lasts as long as the application.
TEST(Win32ApplicationTest, ClickHandlersRunInASingleThreadedApartment) {
    ApartmentProbe probe;
    {
        Win32Application application(GetModuleHandleW(nullptr));
        Faults faults;
        MemoryRuntime runtime(faults);
        EventDispatch dispatch(runtime, L"Zelvane");
        const FormSpec layout = AboutLayout(english);
        Win32Form about(application, layout, dispatch);
        about.SetEvents(&probe);
        about.Load();
        const HWND link = GetDlgItem(about.Window(), kFirstEmailLink);
        SendMessageW(about.Window(), WM_COMMAND, MAKEWPARAM(kFirstEmailLink, STN_CLICKED),
                     reinterpret_cast<LPARAM>(link));
        ASSERT_EQ(probe.last, kFirstEmailLink);
        ASSERT_EQ(probe.result, S_OK);
        EXPECT_TRUE(probe.type == APTTYPE_MAINSTA || probe.type == APTTYPE_STA) << probe.type;
    }
    EXPECT_EQ(CoGetApartmentType(&probe.type, &probe.qualifier), CO_E_NOTINITIALIZED);
}

}  // namespace
}  // namespace zelvane
