// The program's listing and erasure paths against the registry calls beneath them, in one
// process under Wine, and the registry seeding the other benchmarks start from.
//
//   zelvane_bench listing <reps> <accounts>...   listing, one result line per account count
//   zelvane_bench listing-shown <reps> <accounts>  the same into a list that is on screen
//   zelvane_bench seed-tree <uin>                one account holding a 10,000-key subtree,
//                                                and one sibling account beside it
//   zelvane_bench erase <uin>                    erases the account the program's way
//   zelvane_bench check-erased <uin>             the account is gone, its sibling is not
//   zelvane_bench clean                          removes every key the benchmarks made
//   zelvane_bench animation                      the real window's expansion and collapse
//   zelvane_bench build-steps                    each step of building the main window
//   zelvane_bench build-form                     the main window built by the program's code
//   zelvane_bench build-empty                    an empty window built and shown
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <windows.h>

#include <commctrl.h>

#include "account_erase/account_erase.h"
#include "bench_support.h"
#include "main_window/main_layout.h"
#include "main_window/main_window.h"
#include "platform/event_dispatch.h"
#include "platform/twips.h"
#include "platform/win32/win32_application.h"
#include "platform/win32/win32_control_window.h"
#include "platform/win32/win32_dpi.h"
#include "platform/win32/win32_font.h"
#include "platform/win32/win32_form.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_runtime.h"
#include "registry_listing/account_listing.h"

namespace zelvane::bench {
namespace {

constexpr char kSibling[] = "100000001";
// The erased account's subtree: 100 groups, each with 99 keys below it.
constexpr int kTreeGroups = 100;
constexpr int kTreeChildren = 99;
constexpr std::size_t kTreeKeys = kTreeGroups * (1 + kTreeChildren);

std::wstring Widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

std::size_t ParseCount(const char* text) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (end == text || *end != '\0' || value == 0) Fail(std::string("not a count: ") + text);
    return value;
}

// The subkey names of path, in enumeration order.
std::vector<std::wstring> SubkeyNames(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Widen(path).c_str(), 0, KEY_ENUMERATE_SUB_KEYS, &key) !=
        ERROR_SUCCESS) {
        Fail("cannot open " + path);
    }
    std::vector<std::wstring> names;
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD size = 256;
        if (RegEnumKeyExW(key, index, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, size);
    }
    RegCloseKey(key);
    return names;
}

// A list that only counts what it is given: the program's path without the list box.
class CountingListBox : public ListBox {
  public:
    void Clear() override { count = 0; }
    void AddItem(const std::wstring&) override { ++count; }
    int ListIndex() const override { return -1; }
    std::wstring List(int) const override { return {}; }
    void SetVisible(bool) override {}
    void BeginUpdate() override {}
    void EndUpdate() noexcept override {}

    std::size_t count = 0;
};

// The program's list box with its updates left out: each item repainted as it comes.
class DrawnListBox : public ListBox {
  public:
    explicit DrawnListBox(ListBox& list) : list_(list) {}
    void Clear() override { list_.Clear(); }
    void AddItem(const std::wstring& text) override { list_.AddItem(text); }
    int ListIndex() const override { return list_.ListIndex(); }
    std::wstring List(int index) const override { return list_.List(index); }
    void SetVisible(bool visible) override { list_.SetVisible(visible); }
    void BeginUpdate() override {}
    void EndUpdate() noexcept override {}

  private:
    ListBox& list_;
};

std::size_t ListCount(HWND list) {
    return static_cast<std::size_t>(SendMessageW(list, LB_GETCOUNT, 0, 0));
}

void ExpectCount(const char* variant, std::size_t got, std::size_t expected) {
    if (got != expected) {
        Fail(std::string(variant) + " listed " + std::to_string(got) + " of " +
             std::to_string(expected) + " accounts");
    }
}

// The floor: open, RegEnumKeyExW until it fails, close.
double BareEnumeration(const std::string& path, std::size_t expected) {
    const std::wstring wide = Widen(path);
    const Stopwatch clock;
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, wide.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, &key);
    wchar_t name[256];
    std::size_t count = 0;
    for (DWORD index = 0;; ++index) {
        DWORD size = 256;
        if (RegEnumKeyExW(key, index, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        ++count;
    }
    RegCloseKey(key);
    const double milliseconds = clock.Milliseconds();
    ExpectCount("the bare enumeration", count, expected);
    return milliseconds;
}

// The floor plus the list box: each name added as it comes.
double EnumerationIntoList(const std::string& path, HWND list, std::size_t expected) {
    const std::wstring wide = Widen(path);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    const Stopwatch clock;
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, wide.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, &key);
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD size = 256;
        if (RegEnumKeyExW(key, index, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
    RegCloseKey(key);
    const double milliseconds = clock.Milliseconds();
    ExpectCount("the enumeration into the list box", ListCount(list), expected);
    return milliseconds;
}

// AccountListing::ListAccounts straight into the list it is given, which starts empty.
double DirectListing(AccountListing& listing, ListBox& list) {
    list.Clear();
    const Stopwatch clock;
    listing.ListAccounts(kHkeyCurrentUser, Widen(kNewOwners), list);
    return clock.Milliseconds();
}

// The program's list holds exactly the registry's names, in its order.
void ExpectSameItems(const ListBox& list, HWND window, const std::vector<std::wstring>& names) {
    ExpectCount("the program's path", ListCount(window), names.size());
    for (std::size_t index = 0; index < names.size(); ++index) {
        if (list.List(static_cast<int>(index)) != names[index]) {
            Fail("item " + std::to_string(index) + " of the list is not the registry's");
        }
    }
}

// The runtime that the event dispatch reports a handler's error through: here the error
// ends the run instead of waiting in a message box.
class FailingRuntime : public Runtime {
  public:
    int MsgBox(const std::wstring& prompt, int, const std::wstring&) override {
        Fail("a handler reported: " + std::string(prompt.begin(), prompt.end()));
    }
    bool CanElevate() const override { return false; }
    long StartElevated(const std::vector<std::wstring>&) override {
        Fail("a handler asked for administrator rights");
    }
    bool HighContrast() const override { return false; }
    bool ClientAreaAnimation() const override { return true; }
};

// The program's main window on the Win32 backend, as zelvane.exe makes it, except that a
// handler's run-time error ends the run.
struct BenchProgram {
    BenchProgram() { InitCommonControlsEx(&controls); }

    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
    Win32Application application{GetModuleHandleW(nullptr)};
    Win32Runtime runtime{application};
    FailingRuntime reports;
    Win32Registry registry;
    EventDispatch dispatch{reports, L"Zelvane bench"};
    Win32Form form{application, MainLayout(), dispatch};
    MainWindow main{BindMainControls(form), runtime, registry,
                    []() -> AboutWindow& { Fail("the About window was asked for"); }};
};

// Passes the form's events on to the main window and notes when the Shown event began.
class ShownClock : public FormEvents {
  public:
    explicit ShownClock(FormEvents& handlers) : handlers_(handlers) {}
    void Raise(int control, FormEvent event) override {
        if (event == FormEvent::kShown) {
            shownRaised = true;
            sinceShown.Restart();
        }
        handlers_.Raise(control, event);
    }
    void KeyPress(int control, std::int16_t& keyCode) override {
        handlers_.KeyPress(control, keyCode);
    }

    bool shownRaised = false;
    Stopwatch sinceShown;

  private:
    FormEvents& handlers_;
};

struct Variant {
    const char* key;
    std::function<double()> run;
    std::vector<double> times;
};

// Runs every variant once untimed, then `reps` rounds, each starting with the next variant
// so that none always runs first or last; adds each one's median to the result.
void RunVariants(std::vector<Variant>& variants, std::size_t reps, Result& result) {
    for (Variant& variant : variants) variant.run();
    for (std::size_t rep = 0; rep < reps; ++rep) {
        for (std::size_t step = 0; step < variants.size(); ++step) {
            Variant& variant = variants[(rep + step) % variants.size()];
            variant.times.push_back(variant.run());
        }
    }
    for (const Variant& variant : variants) result.Add(variant.key, Median(variant.times));
}

// The accounts are listed from the current user's NewOwners key, which the run fills.
//
// program_ms: the start-up path itself. The main window is made and shown again for every
//   round; the time runs from the Shown event to the end of the message that raised it:
//   MainWindow::OnShown (FillAccountList, AccountListing::ListAccounts into the list box) and
//   what the form does around it, as at start-up.
// The causes, each into the same window's list box, hidden, unless it says otherwise:
//   direct_ms: AccountListing::ListAccounts called straight, outside the Shown event, with
//     the list's update left out.
//   convert_ms: AccountListing::ListAccounts into a list that only counts: no list box at all.
//   addstring_ms: the bare enumeration plus LB_ADDSTRING, converting only the name.
int Listing(int argc, char** argv) {
    if (argc < 2) Fail("usage: listing <reps> <accounts>...");
    const std::size_t reps = ParseCount(argv[0]);

    BenchProgram program;
    Win32Registry& registry = program.registry;
    Win32Form& form = program.form;
    MainWindow& main = program.main;
    ShownClock clock(main);
    form.SetEvents(&clock);
    ListBox& list = form.ListBoxControl(kAccountList);
    DrawnListBox drawn(list);
    AccountListing listing(registry);

    // The list box's window changes with every load.
    const auto listWindow = [&form] {
        const HWND window = GetDlgItem(form.Window(), kAccountList);
        if (window == nullptr) Fail("the main window has no list box");
        return window;
    };
    // From the Shown event to the end of the message that raised it: the handler and
    // whatever the form does around it.
    const auto reload = [&] {
        if (form.Window() != nullptr) DestroyWindow(form.Window());
        clock.shownRaised = false;
        form.Load();
        form.Show();
        MSG message;
        while (!clock.shownRaised && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message != WM_QUIT) DispatchMessageW(&message);
        }
        const double milliseconds = clock.sinceShown.Milliseconds();
        if (!clock.shownRaised) Fail("the main window raised no Shown event");
        // Hidden again for the causes, which fill the list with its redraw on: on screen,
        // that costs seconds per thousand items (see listing-shown).
        ShowWindow(form.Window(), SW_HIDE);
        return milliseconds;
    };

    for (int argument = 1; argument < argc; ++argument) {
        const std::size_t accounts = ParseCount(argv[argument]);
        const double seedMilliseconds = SeedAccounts(kNewOwners, accounts);
        const std::vector<std::wstring> names = SubkeyNames(kNewOwners);

        CountingListBox counting;
        std::vector<Variant> variants;
        const auto add = [&](const char* key, std::function<double()> run) {
            variants.push_back(Variant{key, std::move(run), {}});
        };
        add("floor_ms", [&] { return BareEnumeration(kNewOwners, accounts); });
        add("program_ms", [&] {
            const double time = reload();
            ExpectSameItems(list, listWindow(), names);
            return time;
        });
        add("direct_ms", [&] {
            const double time = DirectListing(listing, drawn);
            ExpectSameItems(list, listWindow(), names);
            return time;
        });
        add("convert_ms", [&] {
            const double time = DirectListing(listing, counting);
            ExpectCount("the program's path without a list", counting.count, accounts);
            return time;
        });
        add("addstring_ms",
            [&] { return EnumerationIntoList(kNewOwners, listWindow(), accounts); });

        Result result("listing");
        result.Add("accounts", std::to_string(accounts)).Add("reps", std::to_string(reps));
        RunVariants(variants, reps, result);
        result.Add("seed_ms", seedMilliseconds).Print();
    }
    DeleteTreeIfPresent(kNewOwners);
    return 0;
}

// Into a list box on screen: the main window shown, expanded. The program itself never
// fills a list that is on screen; this shows what the redraw would cost if it did.
int ListingShown(int argc, char** argv) {
    if (argc != 2) Fail("usage: listing-shown <reps> <accounts>");
    const std::size_t reps = ParseCount(argv[0]);
    const std::size_t accounts = ParseCount(argv[1]);

    BenchProgram program;
    Win32Form& form = program.form;
    form.Load();
    form.SetHeight(kExpandedHeight);
    ShowWindow(form.Window(), SW_SHOWNOACTIVATE);
    ListBox& list = form.ListBoxControl(kAccountList);
    const HWND listWindow = GetDlgItem(form.Window(), kAccountList);
    AccountListing listing(program.registry);

    const double seedMilliseconds = SeedAccounts(kNewOwners, accounts);
    const std::vector<std::wstring> names = SubkeyNames(kNewOwners);
    // Each variant fills the list its own way and checks that it holds every account.
    DrawnListBox drawn(list);
    const auto filled = [&](double time) {
        ExpectSameItems(list, listWindow, names);
        return time;
    };
    std::vector<Variant> variants{
        {"floor_ms", [&] { return BareEnumeration(kNewOwners, accounts); }, {}},
        {"direct_ms", [&] { return filled(DirectListing(listing, drawn)); }, {}},
        {"noredraw_ms", [&] { return filled(DirectListing(listing, list)); }, {}},
    };
    Result result("listing-shown");
    result.Add("accounts", std::to_string(accounts)).Add("reps", std::to_string(reps));
    RunVariants(variants, reps, result);
    result.Add("seed_ms", seedMilliseconds).Print();
    DeleteTreeIfPresent(kNewOwners);
    return 0;
}

std::string AccountPath(const std::string& uin) {
    return std::string(kNewOwners) + "\\" + uin;
}

int SeedTree(int argc, char** argv) {
    if (argc != 1) Fail("usage: seed-tree <uin>");
    const std::string account = AccountPath(argv[0]);
    DeleteTreeIfPresent(account);
    const HKEY sibling = CreateKey(HKEY_CURRENT_USER, AccountPath(kSibling));
    SetStringValue(sibling, "Nick", "the account that stays");
    RegCloseKey(sibling);

    const Stopwatch clock;
    std::size_t values = 0;
    const HKEY top = CreateKey(HKEY_CURRENT_USER, account);
    SetStringValue(top, "Nick", "the account that goes");
    for (int group = 0; group < kTreeGroups; ++group) {
        const HKEY groupKey = CreateKey(top, "Group" + std::to_string(group));
        SetDwordValue(groupKey, "Index", static_cast<DWORD>(group));
        values += 1;
        for (int child = 0; child < kTreeChildren; ++child) {
            const HKEY childKey = CreateKey(groupKey, "Key" + std::to_string(child));
            SetStringValue(childKey, "Data", "contact " + std::to_string(group * 1000 + child));
            SetDwordValue(childKey, "Index", static_cast<DWORD>(child));
            values += 2;
            RegCloseKey(childKey);
        }
        RegCloseKey(groupKey);
    }
    RegCloseKey(top);
    const double milliseconds = clock.Milliseconds();

    const std::size_t keys = CountKeysBelow(account);
    if (keys != kTreeKeys) Fail("the seeded subtree holds " + std::to_string(keys) + " keys");
    Result("seed-tree")
        .Add("keys", std::to_string(keys))
        .Add("values", std::to_string(values))
        .Add("seed_ms", milliseconds)
        .Print();
    return 0;
}

void ExpectErased(const std::string& uin) {
    if (KeyExists(AccountPath(uin))) Fail("account " + uin + " is still there");
    if (!KeyExists(AccountPath(kSibling))) Fail("the sibling account was erased too");
}

int Erase(int argc, char** argv) {
    if (argc != 1) Fail("usage: erase <uin>");
    const std::string uin = argv[0];
    Win32Registry registry;
    // The current user's place, as the Erase handler deletes from it.
    const AccountPlace place = CurrentUserPlaces().front();
    if (!IsAccountName(Widen(uin))) Fail("the program refuses the account number " + uin);
    if (CountKeysBelow(AccountPath(uin)) != kTreeKeys) Fail("the account holds no seeded subtree");

    const Stopwatch clock;
    const long status =
        EraseAccount(registry, Widen(uin), {place}, LinkRule::kFollowAboveAccount).front().result;
    const double milliseconds = clock.Milliseconds();
    if (status != ERROR_SUCCESS) Fail("DeleteTree: error " + std::to_string(status));
    ExpectErased(uin);
    Result("erase-program").Add("ms", milliseconds).Print();
    return 0;
}

int CheckErased(int argc, char** argv) {
    if (argc != 1) Fail("usage: check-erased <uin>");
    ExpectErased(argv[0]);
    return 0;
}

int Clean() {
    DeleteTreeIfPresent("Software\\Mirabilis");
    return 0;
}

// Counts the timer ticks that reach the main window's handlers.
class TickCounter : public FormEvents {
  public:
    explicit TickCounter(FormEvents& handlers) : handlers_(handlers) {}
    void Raise(int control, FormEvent event) override {
        if (event == FormEvent::kTimer) ++ticks;
        handlers_.Raise(control, event);
    }

    int ticks = 0;

  private:
    FormEvents& handlers_;
};

// The real window's expansion and collapse, driven by its own timers on the screen: the
// ticks they took and the time, against the ticks at their 10 ms interval.
int Animation() {
    BenchProgram program;
    EventDispatch& dispatch = program.dispatch;
    Win32Form& form = program.form;
    MainWindow& main = program.main;
    TickCounter counter(main);
    form.SetEvents(&counter);
    form.Load();
    form.Show();

    const HWND button = GetDlgItem(form.Window(), kToggleButton);
    const int dpi = GetDeviceCaps(GetDC(nullptr), LOGPIXELSY);
    for (const char* direction : {"expand", "collapse"}) {
        counter.ticks = 0;
        const float from = form.Height();
        Stopwatch clock;
        dispatch.Raise(counter, kToggleButton, FormEvent::kClick);
        // The button comes back when the finishing tick has run.
        MSG message;
        while (!IsWindowEnabled(button) && clock.Milliseconds() < 30000 &&
               GetMessageW(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        const double milliseconds = clock.Milliseconds();
        if (!IsWindowEnabled(button)) Fail(std::string(direction) + " did not finish");
        Result("animation")
            .Add("direction", direction)
            .Add("dpi", std::to_string(dpi))
            .Add("from_twips", from)
            .Add("to_twips", form.Height())
            .Add("ticks", std::to_string(counter.ticks))
            .Add("ms", milliseconds)
            .Add("nominal_ms", counter.ticks * 10.0)
            .Print();
    }
    return 0;
}

// Each step of building the main window, in the order zelvane.exe takes them (main.cpp,
// Win32Application, Win32Form::Load and Show), made with the backend's own helpers and
// timed one by one; the controls are grouped by kind. Meant to run once in a fresh process:
// the first window, control and font of a process pay for what later ones reuse, and so
// does the program at start-up. build-form times the program's own code for the same work,
// so that the sum of the steps can be checked against it.
LRESULT CALLBACK PlainSubclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                               DWORD_PTR) {
    return DefSubclassProc(window, message, wParam, lParam);
}

int BuildSteps() {
    const FormSpec& layout = MainLayout();
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    Result result("build-steps");
    Stopwatch clock;
    const auto step = [&](const char* key, const std::function<void()>& work) {
        clock.Restart();
        work();
        result.Add(key, clock.Milliseconds());
    };

    step("common_controls_ms", [] {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
    });
    std::optional<Win32Application> application;
    step("application_ms", [&] { application.emplace(instance); });

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    const DWORD exStyle = WS_EX_TOOLWINDOW | WS_EX_WINDOWEDGE;
    int dpi = 0;
    SIZE size = {};
    std::vector<RECT> bounds;
    step("layout_dpi_ms", [&] {
        dpi = WindowDpi(nullptr);
        RECT outer = {0, 0, TwipsToPixels(layout.clientWidth, dpi),
                      TwipsToPixels(layout.clientHeight, dpi)};
        AdjustWindowRectEx(&outer, style, FALSE, exStyle);
        size = {outer.right - outer.left, TwipsToPixels(layout.outerHeight, dpi)};
        for (const ControlSpec& design : layout.controls) {
            const TwipRect rect = FormRect(layout, design);
            RECT pixels;
            pixels.left = TwipsToPixels(rect.left, dpi);
            pixels.top = TwipsToPixels(rect.top, dpi);
            pixels.right = pixels.left + TwipsToPixels(rect.width, dpi);
            pixels.bottom =
                pixels.top +
                (design.kind == ControlKind::kEtchedLine ? 2 : TwipsToPixels(rect.height, dpi));
            bounds.push_back(pixels);
        }
    });

    HWND form = nullptr;
    step("form_ms", [&] {
        WNDCLASSEXW formClass = {};
        formClass.cbSize = sizeof formClass;
        formClass.lpfnWndProc = DefWindowProcW;
        formClass.hInstance = instance;
        formClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        formClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
        formClass.lpszClassName = L"ZelvaneBenchForm";
        RegisterClassExW(&formClass);
        form = CreateWindowExW(exStyle, L"ZelvaneBenchForm", std::wstring(layout.caption).c_str(),
                               style, CW_USEDEFAULT, CW_USEDEFAULT, size.cx, size.cy,
                               application->Owner(), nullptr, instance, nullptr);
        if (form != nullptr && WindowDpi(form) != dpi) Fail("the form's DPI is not the system's");
    });
    if (form == nullptr) Fail("the form's window was not made");

    step("icons_ms", [&] {
        const HANDLE small =
            LoadImageW(instance, MAKEINTRESOURCEW(layout.iconResource), IMAGE_ICON,
                       GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED);
        SendMessageW(form, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    });

    FontSet fonts;
    step("fonts_ms", [&] {
        for (const ControlSpec& design : layout.controls) {
            if (design.kind != ControlKind::kTimer) fonts.Get(design.font, dpi);
        }
    });

    const auto make = [&](ControlKind kind) {
        for (std::size_t index = 0; index < layout.controls.size(); ++index) {
            const ControlSpec& design = layout.controls[index];
            if (design.kind != kind) continue;
            const HWND child = CreateControlWindow(design, bounds[index], form, instance);
            if (child == nullptr) Fail("a control's window was not made");
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.Get(design.font, dpi)),
                         FALSE);
            if (kind == ControlKind::kTextBox) {
                SendMessageW(child, EM_LIMITTEXT, static_cast<WPARAM>(design.maxLength), 0);
                SetWindowSubclass(child, PlainSubclass, 1, 0);
            }
        }
    };
    step("frames_ms", [&] { make(ControlKind::kFrame); });
    step("text_box_ms", [&] { make(ControlKind::kTextBox); });
    step("label_ms", [&] { make(ControlKind::kLabel); });
    step("buttons_ms", [&] { make(ControlKind::kCommandButton); });
    step("line_ms", [&] { make(ControlKind::kEtchedLine); });
    step("list_box_ms", [&] { make(ControlKind::kListBox); });

    step("show_ms", [&] { ShowWindow(form, SW_SHOW); });
    step("foreground_ms", [&] { SetForegroundWindow(form); });
    step("paint_ms", [&] { UpdateWindow(form); });
    result.Print();
    DestroyWindow(form);
    return 0;
}

// The baseline: what empty_window.exe does between its start and its message loop, in a
// fresh process of its own.
int BuildEmpty() {
    const Stopwatch clock;
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = L"ZelvaneBenchEmpty";
    RegisterClassExW(&windowClass);
    const HWND window =
        CreateWindowExW(0, L"ZelvaneBenchEmpty", L"Empty", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, 200, 150, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr) Fail("the empty window was not made");
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    Result("build-empty").Add("ms", clock.Milliseconds()).Print();
    DestroyWindow(window);
    return 0;
}

int BuildForm() {
    const Stopwatch clock;
    std::optional<BenchProgram> program;
    program.emplace();
    program->form.SetEvents(&program->main);
    program->form.Load();
    program->form.Show();
    UpdateWindow(program->form.Window());
    Result("build-form").Add("ms", clock.Milliseconds()).Print();
    return 0;
}

}  // namespace
}  // namespace zelvane::bench

int main(int argc, char** argv) {
    using namespace zelvane::bench;
    if (argc < 2) Fail("usage: zelvane_bench <command> [arguments]; see the source's head");
    const std::string command = argv[1];
    try {
        if (command == "listing") return Listing(argc - 2, argv + 2);
        if (command == "listing-shown") return ListingShown(argc - 2, argv + 2);
        if (command == "seed-tree") return SeedTree(argc - 2, argv + 2);
        if (command == "erase") return Erase(argc - 2, argv + 2);
        if (command == "check-erased") return CheckErased(argc - 2, argv + 2);
        if (command == "clean") return Clean();
        if (command == "animation") return Animation();
        if (command == "build-steps") return BuildSteps();
        if (command == "build-form") return BuildForm();
        if (command == "build-empty") return BuildEmpty();
    } catch (const std::exception& error) {
        Fail(command + ": " + error.what());
    }
    Fail("unknown command " + command);
}
