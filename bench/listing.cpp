// The program's listing path against the bare enumeration beneath it, in one process.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <windows.h>

#include "bench_program.h"
#include "bench_support.h"
#include "benchmarks.h"
#include "registry_listing/account_listing.h"

namespace zelvane::bench {
namespace {

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

// The subkey names of path, in enumeration order.
std::vector<std::wstring> SubkeyNames(const std::string& path) {
    std::vector<std::wstring> names;
    ForEachSubkey(Widen(path), [&names](const wchar_t* name, DWORD length) {
        names.emplace_back(name, length);
    });
    return names;
}

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
    const std::size_t count = ForEachSubkey(wide, [](const wchar_t*, DWORD) {});
    const double milliseconds = clock.Milliseconds();
    ExpectCount("the bare enumeration", count, expected);
    return milliseconds;
}

// The floor plus the list box: each name added as it comes.
double EnumerationIntoList(const std::string& path, HWND list, std::size_t expected) {
    const std::wstring wide = Widen(path);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    const Stopwatch clock;
    ForEachSubkey(wide, [list](const wchar_t* name, DWORD) {
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    });
    const double milliseconds = clock.Milliseconds();
    ExpectCount("the enumeration into the list box", ListCount(list), expected);
    return milliseconds;
}

// AccountListing::ListAccounts and then each name into the list it is given, which starts
// empty.
double DirectListing(AccountListing& listing, ListBox& list) {
    list.Clear();
    const Stopwatch clock;
    std::vector<std::wstring> names;
    listing.ListAccounts(kHkeyCurrentUser, Widen(kNewOwners), names);
    for (const std::wstring& name : names) list.AddItem(name);
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

}  // namespace

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

}  // namespace zelvane::bench
