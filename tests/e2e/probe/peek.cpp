// peek.exe: reads the state of another program's windows from outside, for the end-to-end
// tests. It never sends input and, but for `close`, never changes a window; it only asks
// (WM_GETTEXT, LB_GETTEXT, GetWindowRect...) and prints one JSON document on standard output.
//
//   peek windows [--process NAME]
//       every visible top-level window: handle, class, caption, owner, process, rectangle.
//   peek window --title CAPTION [--process NAME] [--wait MS] [--gone] [--max-items N]
//               [--at-once] [--measure] [--follow CAPTION]
//       one top-level window found by its caption, with its rectangles and every child
//       control (class, text, rectangle, enabled, visible, list-box items and selection,
//       the window before it in z-order and its name by the rule of Windows' accessibility
//       proxies; a list box's state as an accessibility client is told it).
//       --max-items reads only a list box's first N items (each item costs a few messages
//       across processes, seconds per ten thousand); "count" always tells how many it holds.
//       With --wait, the window is read once its program has first waited for input, so
//       that what its start-up queued (the account list's fill) has been handled.
//       --at-once reads it at once instead, and only what needs nothing of the program's
//       own thread: captions as the system keeps them, rectangles and states; no list-box
//       or text-box fields. --measure adds each control's text width in pixels, measured in
//       the font the program gives its labels and buttons.
//       --follow CAPTION reads the window at once, as often as it can, and prints each
//       reading that differs from the one before, a JSON document a line, from the first
//       until one of its buttons shows CAPTION and is enabled (within --wait MS). One process
//       follows a two-second animation where a process started for each reading may not
//       get a single reading in on a loaded machine.
//   peek msgboxes [--title TITLE] [--process NAME] [--wait MS] [--gone]
//       the visible message boxes (class #32770): title, text, buttons and icon color.
//   peek pixels X Y W H
//       the mean color of a rectangle of the screen.
//   peek codepage
//       the ANSI code page the programs started here run with.
//   peek close HWND
//       sends WM_CLOSE to a window of another program, as any program may: a control leaves
//       it to DefWindowProc, which destroys the control. Tells whether the window is gone.
//
// --wait polls until something is found (with --gone: until nothing is) or MS milliseconds
// have passed. Exit code 0 when found (or gone), 1 otherwise, 2 on a usage error; the plain
// listing of windows always succeeds. Polling in here spares the driver a Wine process start
// for each try.
//
// Rectangles are [left, top, right, bottom] in screen pixels, so the driver can click on them.
// "dpi" is what GetDpiForWindow answers for the window; Wine may answer with another
// process's DPI after the DPI setting has changed, so the tests rely on sizes instead.

#include <windows.h>

#include <initguid.h>

#include <oleacc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

// --- JSON output -----------------------------------------------------------------------------

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

std::string Quote(const std::wstring& text) {
    std::string out = "\"";
    for (const char ch : Utf8(text)) {
        const auto byte = static_cast<unsigned char>(ch);
        switch (ch) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (byte < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
                    out += escaped;
                } else {
                    out += ch;
                }
        }
    }
    return out + "\"";
}

std::string Rect(const RECT& r) {
    char text[80];
    std::snprintf(text, sizeof text, "[%ld, %ld, %ld, %ld]", r.left, r.top, r.right, r.bottom);
    return text;
}

std::string Bool(bool value) {
    return value ? "true" : "false";
}

std::string Int(long long value) {
    return std::to_string(value);
}

std::string Handle(HWND hwnd) {
    return Int(static_cast<long long>(reinterpret_cast<INT_PTR>(hwnd)));
}

// --- Reading windows -------------------------------------------------------------------------

// How many items of a list box are read out (--max-items).
DWORD_PTR maxItems = static_cast<DWORD_PTR>(-1);
// Read nothing that the window's own thread must answer (--at-once).
bool atOnce = false;
// Measure each control's text in its font (--measure).
bool measure = false;

// Text of a window in another process: WM_GETTEXT is marshalled across processes, unlike
// GetWindowText, which only reads the caption of a window of another process.
std::wstring Text(HWND hwnd) {
    if (atOnce) {
        wchar_t caption[256] = {};
        GetWindowTextW(hwnd, caption, 256);
        return caption;
    }
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length))
        return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, 2000, &copied);
    text.resize(copied);
    return text;
}

std::wstring ClassName(HWND hwnd) {
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 256);
    return name;
}

std::wstring ProcessName(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return {};
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    std::wstring name;
    if (QueryFullProcessImageNameW(process, 0, path, &size)) {
        name = path;
        const auto slash = name.find_last_of(L"\\/");
        if (slash != std::wstring::npos) name = name.substr(slash + 1);
    }
    CloseHandle(process);
    return name;
}

DWORD ProcessOf(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// GetDpiForWindow exists from Windows 10 1607 on; older systems report the screen's DPI.
UINT DpiOf(HWND hwnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpi = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpi) {
        if (const UINT dpi = getDpi(hwnd)) return dpi;
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return static_cast<UINT>(dpi);
}

HWND FocusOf(HWND hwnd) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

// Mean color of a screen rectangle, read back from the display.
std::optional<COLORREF> MeanColor(const RECT& r) {
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return std::nullopt;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::optional<COLORREF> mean;
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        if (BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY)) {
            unsigned long long red = 0, green = 0, blue = 0;
            const auto* pixel = static_cast<const unsigned char*>(bits);
            const unsigned long long count = static_cast<unsigned long long>(width) * height;
            for (unsigned long long i = 0; i < count; ++i, pixel += 4) {
                blue += pixel[0];
                green += pixel[1];
                red += pixel[2];
            }
            mean = RGB(red / count, green / count, blue / count);
        }
        SelectObject(memory, old);
    }
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return mean;
}

std::string Color(COLORREF color) {
    char text[40];
    std::snprintf(text, sizeof text, "[%u, %u, %u]", GetRValue(color), GetGValue(color),
                  GetBValue(color));
    return text;
}

std::string ListBoxFields(HWND hwnd) {
    DWORD_PTR count = 0;
    SendMessageTimeoutW(hwnd, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count);
    const std::string total = Int(static_cast<int>(count));
    if (count != static_cast<DWORD_PTR>(LB_ERR) && count > maxItems) count = maxItems;
    std::string items = "[";
    for (DWORD_PTR i = 0; i < count && count != static_cast<DWORD_PTR>(LB_ERR); ++i) {
        DWORD_PTR length = 0;
        SendMessageTimeoutW(hwnd, LB_GETTEXTLEN, i, 0, SMTO_ABORTIFHUNG, 2000, &length);
        std::wstring text(length + 1, L'\0');
        DWORD_PTR copied = 0;
        SendMessageTimeoutW(hwnd, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()),
                            SMTO_ABORTIFHUNG, 2000, &copied);
        if (copied == static_cast<DWORD_PTR>(LB_ERR)) copied = 0;
        text.resize(copied);
        if (i) items += ", ";
        items += Quote(text);
    }
    items += "]";
    // Item rectangles (client coordinates made screen ones) so the driver can click an item.
    std::string rects = "[";
    for (DWORD_PTR i = 0; i < count && count != static_cast<DWORD_PTR>(LB_ERR); ++i) {
        RECT item = {};
        DWORD_PTR ok = 0;
        SendMessageTimeoutW(hwnd, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item),
                            SMTO_ABORTIFHUNG, 2000, &ok);
        MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&item), 2);
        if (i) rects += ", ";
        rects += Rect(item);
    }
    rects += "]";
    DWORD_PTR selected = 0;
    SendMessageTimeoutW(hwnd, LB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 2000, &selected);
    DWORD_PTR top = 0;
    SendMessageTimeoutW(hwnd, LB_GETTOPINDEX, 0, 0, SMTO_ABORTIFHUNG, 2000, &top);
    return ", \"count\": " + total + ", \"items\": " + items + ", \"item_rects\": " + rects +
           ", \"selected\": " + Int(static_cast<int>(selected)) +
           ", \"top_index\": " + Int(static_cast<int>(top));
}

std::string EditFields(HWND hwnd) {
    DWORD_PTR limit = 0;
    SendMessageTimeoutW(hwnd, EM_GETLIMITTEXT, 0, 0, SMTO_ABORTIFHUNG, 2000, &limit);
    DWORD start = 0, end = 0;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                        reinterpret_cast<LPARAM>(&end), SMTO_ABORTIFHUNG, 2000, &ignored);
    return ", \"limit\": " + Int(static_cast<long long>(limit)) + ", \"selection\": [" +
           Int(start) + ", " + Int(end) + "]";
}

// A control's text as a screen reader says it: without the '&' that marks an access key.
std::wstring Spoken(std::wstring text) {
    std::wstring out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size()) ++i;
        out += text[i];
    }
    return out;
}

// The name that Windows' accessibility proxies give a standard control: a button or a label
// is named by its own text; a text box or a list, which shows the user's data, by the label
// (a text static) just before it in z-order, or by nothing.
std::wstring AccessibleName(HWND hwnd) {
    const std::wstring cls = ClassName(hwnd);
    if (!SameName(cls, L"Edit") && !SameName(cls, L"ListBox") && !SameName(cls, L"ComboBox")) {
        return Spoken(Text(hwnd));
    }
    const HWND label = GetWindow(hwnd, GW_HWNDPREV);
    if (label == nullptr || !SameName(ClassName(label), L"Static")) return {};
    const LONG type = GetWindowLongW(label, GWL_STYLE) & SS_TYPEMASK;
    if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP &&
        type != SS_SIMPLE) {
        return {};
    }
    return Spoken(Text(label));
}

// The control's state bits (STATE_SYSTEM_...) as a screen reader reads them, through the
// accessible object the system gives the window; null when there is none.
std::string AccessibleState(HWND hwnd) {
    IAccessible* accessible = nullptr;
    if (FAILED(AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                          reinterpret_cast<void**>(&accessible))) ||
        accessible == nullptr) {
        return "null";
    }
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    VARIANT state;
    VariantInit(&state);
    std::string out = "null";
    if (SUCCEEDED(accessible->get_accState(self, &state)) && state.vt == VT_I4)
        out = Int(state.lVal);
    VariantClear(&state);
    accessible->Release();
    return out;
}

// The width in pixels of the control's text without the & of an access key, in the font of
// the program's labels and buttons at the window's DPI (Tahoma 8.25 point bold): a font is a
// handle of the program's own process, so it is made again here as the program makes it.
// null when the font has no glyph for a letter (Wine's Tahoma has no Hebrew).
std::string TextWidth(HWND hwnd) {
    LOGFONTW font = {};
    font.lfHeight = -static_cast<LONG>(std::lround(8.25 * DpiOf(hwnd) / 72.0));
    font.lfWeight = FW_BOLD;
    std::wcscpy(font.lfFaceName, L"Tahoma");
    const HFONT made = CreateFontIndirectW(&font);
    const HDC dc = GetDC(nullptr);
    const HGDIOBJ previous = SelectObject(dc, made);
    const std::wstring text = Spoken(Text(hwnd));
    std::vector<WORD> glyphs(text.size() + 1);
    GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()), glyphs.data(),
                     GGI_MARK_NONEXISTING_GLYPHS);
    SIZE size = {};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    DeleteObject(made);
    const bool drawn = std::find(glyphs.begin(), glyphs.end() - 1, 0xFFFF) == glyphs.end() - 1;
    return drawn ? Int(size.cx) : "null";
}

std::string Control(HWND hwnd, HWND focus) {
    RECT rect = {};
    GetWindowRect(hwnd, &rect);
    const std::wstring cls = ClassName(hwnd);
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    std::string out =
        "{\"hwnd\": " + Handle(hwnd) + ", \"parent\": " + Handle(GetParent(hwnd)) +
        ", \"id\": " + Int(GetDlgCtrlID(hwnd)) + ", \"class\": " + Quote(cls) +
        ", \"text\": " + Quote(Text(hwnd)) + ", \"rect\": " + Rect(rect) +
        ", \"enabled\": " + Bool(IsWindowEnabled(hwnd)) +
        ", \"visible\": " + Bool(IsWindowVisible(hwnd)) + ", \"focused\": " + Bool(hwnd == focus) +
        ", \"style\": " + Int(static_cast<unsigned long>(style)) +
        ", \"exstyle\": " + Int(static_cast<unsigned long>(GetWindowLongW(hwnd, GWL_EXSTYLE))) +
        ", \"previous\": " + Handle(GetWindow(hwnd, GW_HWNDPREV));
    // The accessible name, the list box's and the text box's fields are asked of the
    // program's own thread.
    if (!atOnce) out += ", \"name\": " + Quote(AccessibleName(hwnd));
    // Asked of list boxes alone: an accessible object costs the program's thread a round of
    // messages, and a reading of every control's would be too slow to follow an animation.
    if (SameName(cls, L"ListBox") && !atOnce)
        out += ", \"accessible_state\": " + AccessibleState(hwnd) + ListBoxFields(hwnd);
    if (SameName(cls, L"Edit") && !atOnce) out += EditFields(hwnd);
    if (measure) out += ", \"text_width\": " + TextWidth(hwnd);
    if (SameName(cls, L"Static") && (style & SS_TYPEMASK) == SS_ICON) {
        out += ", \"icon\": true";
        if (const auto mean = MeanColor(rect)) out += ", \"mean_rgb\": " + Color(*mean);
    }
    return out + "}";
}

// An enumeration callback, declared WINAPI: on x86 a lambda's own calling convention would
// leave the stack as Windows does not expect it.
BOOL CALLBACK AddWindow(HWND hwnd, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> found;
    EnumChildWindows(parent, AddWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::vector<HWND> TopLevel() {
    std::vector<HWND> found;
    EnumWindows(AddWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::string Summary(HWND hwnd) {
    RECT rect = {};
    GetWindowRect(hwnd, &rect);
    const DWORD pid = ProcessOf(hwnd);
    return "{\"hwnd\": " + Handle(hwnd) + ", \"class\": " + Quote(ClassName(hwnd)) +
           ", \"title\": " + Quote(Text(hwnd)) +
           ", \"owner\": " + Handle(GetWindow(hwnd, GW_OWNER)) + ", \"pid\": " + Int(pid) +
           ", \"process\": " + Quote(ProcessName(pid)) + ", \"rect\": " + Rect(rect) +
           ", \"enabled\": " + Bool(IsWindowEnabled(hwnd)) +
           ", \"foreground\": " + Bool(GetForegroundWindow() == hwnd) + "}";
}

std::string Details(HWND hwnd) {
    RECT rect = {}, client = {};
    GetWindowRect(hwnd, &rect);
    GetClientRect(hwnd, &client);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const HWND focus = FocusOf(hwnd);
    const DWORD pid = ProcessOf(hwnd);
    std::string out =
        "{\"hwnd\": " + Handle(hwnd) + ", \"class\": " + Quote(ClassName(hwnd)) +
        ", \"title\": " + Quote(Text(hwnd)) + ", \"owner\": " + Handle(GetWindow(hwnd, GW_OWNER)) +
        ", \"pid\": " + Int(pid) + ", \"process\": " + Quote(ProcessName(pid)) +
        ", \"rect\": " + Rect(rect) + ", \"client\": " + Rect(client) +
        ", \"dpi\": " + Int(DpiOf(hwnd)) + ", \"enabled\": " + Bool(IsWindowEnabled(hwnd)) +
        ", \"visible\": " + Bool(IsWindowVisible(hwnd)) +
        ", \"foreground\": " + Bool(GetForegroundWindow() == hwnd) +
        ", \"style\": " + Int(static_cast<unsigned long>(GetWindowLongW(hwnd, GWL_STYLE))) +
        ", \"exstyle\": " + Int(static_cast<unsigned long>(GetWindowLongW(hwnd, GWL_EXSTYLE))) +
        ", \"children\": [";
    bool first = true;
    for (HWND child : Descendants(hwnd)) {
        if (!first) out += ",";
        first = false;
        out += "\n  " + Control(child, focus);
    }
    return out + "]}";
}

// The message box's text is the static control that is not its icon.
std::string MsgBoxJson(HWND hwnd) {
    std::wstring text;
    std::string buttons = "[";
    std::string icon = "null";
    bool first = true;
    for (HWND child : Descendants(hwnd)) {
        const std::wstring cls = ClassName(child);
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        if (SameName(cls, L"Button") && IsWindowVisible(child)) {
            RECT rect = {};
            GetWindowRect(child, &rect);
            if (!first) buttons += ", ";
            first = false;
            buttons += "{\"id\": " + Int(GetDlgCtrlID(child)) +
                       ", \"text\": " + Quote(Text(child)) + ", \"rect\": " + Rect(rect) + "}";
        } else if (SameName(cls, L"Static")) {
            if ((style & SS_TYPEMASK) == SS_ICON) {
                RECT rect = {};
                GetWindowRect(child, &rect);
                if (IsWindowVisible(child)) {
                    if (const auto mean = MeanColor(rect)) icon = Color(*mean);
                }
            } else if (text.empty()) {
                text = Text(child);
            }
        }
    }
    buttons += "]";
    RECT rect = {};
    GetWindowRect(hwnd, &rect);
    const DWORD pid = ProcessOf(hwnd);
    return "{\"hwnd\": " + Handle(hwnd) + ", \"title\": " + Quote(Text(hwnd)) +
           ", \"text\": " + Quote(text) + ", \"owner\": " + Handle(GetWindow(hwnd, GW_OWNER)) +
           ", \"pid\": " + Int(pid) + ", \"process\": " + Quote(ProcessName(pid)) +
           ", \"rect\": " + Rect(rect) + ", \"icon_rgb\": " + icon + ", \"buttons\": " + buttons +
           ", \"exstyle\": " + Int(static_cast<unsigned long>(GetWindowLongW(hwnd, GWL_EXSTYLE))) +
           "}";
}

// --- Command line ----------------------------------------------------------------------------

struct Options {
    std::wstring command;
    std::optional<std::wstring> title;
    std::optional<std::wstring> process;
    DWORD waitMs = 0;
    bool gone = false;
    std::optional<std::wstring> follow;
    std::vector<long> numbers;
};

// Waits until the window's program first waited for input, or the deadline has passed. A
// program that cannot be opened is not waited for.
void WaitForStartUp(HWND hwnd, ULONGLONG deadline) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, ProcessOf(hwnd));
    if (!process) return;
    const ULONGLONG now = GetTickCount64();
    WaitForInputIdle(process, now < deadline ? static_cast<DWORD>(deadline - now) : 0);
    CloseHandle(process);
}

bool Matches(HWND hwnd, const Options& options) {
    if (!IsWindowVisible(hwnd)) return false;
    if (options.process && !SameName(ProcessName(ProcessOf(hwnd)), *options.process)) return false;
    return true;
}

std::vector<HWND> Find(const Options& options) {
    std::vector<HWND> found;
    for (HWND hwnd : TopLevel()) {
        if (!Matches(hwnd, options)) continue;
        if (options.command == L"window" && Text(hwnd) != *options.title) continue;
        if (options.command == L"msgboxes" && !SameName(ClassName(hwnd), L"#32770")) continue;
        if (options.command == L"msgboxes" && options.title && Text(hwnd) != *options.title)
            continue;
        found.push_back(hwnd);
    }
    return found;
}

void Print(const std::string& text) {
    const std::string line = text + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

// The caption of each of the window's buttons, and whether it is enabled.
std::vector<std::pair<std::wstring, bool>> Buttons(HWND window) {
    std::vector<std::pair<std::wstring, bool>> buttons;
    for (HWND child : Descendants(window)) {
        if (SameName(ClassName(child), L"Button"))
            buttons.emplace_back(Text(child), IsWindowEnabled(child) != FALSE);
    }
    return buttons;
}

int Follow(HWND window, const std::wstring& caption, ULONGLONG deadline) {
    const std::pair<std::wstring, bool> end(caption, true);
    std::string last;
    for (;;) {
        const auto before = Buttons(window);
        std::string reading = Details(window);
        const bool ended = std::count(before.begin(), before.end(), end) != 0;
        if (!IsWindow(window)) return 1;
        // A reading is printed only when the buttons were the same all through it: the window's
        // rectangle beside a button's new caption, read in between, would be a state the
        // window never was in.
        if (Buttons(window) == before) {
            reading.erase(std::remove(reading.begin(), reading.end(), '\n'), reading.end());
            if (reading != last) Print(reading);
            if (ended) return 0;
            last = std::move(reading);
        }
        if (GetTickCount64() >= deadline) return 1;
        Sleep(1);
    }
}

int Usage() {
    std::fputs(
        "usage: peek windows [--process NAME]\n"
        "       peek window --title CAPTION [--process NAME] [--wait MS] [--gone]\n"
        "                   [--max-items N] [--at-once] [--measure] [--follow CAPTION]\n"
        "       peek msgboxes [--title TITLE] [--process NAME] [--wait MS] [--gone]\n"
        "       peek pixels X Y W H\n"
        "       peek codepage\n"
        "       peek close HWND\n",
        stderr);
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // Rectangles in physical pixels, whatever the DPI: a program that is not DPI aware is
    // shown scaled coordinates of the windows of programs that are.
    SetProcessDPIAware();
    CoInitialize(nullptr);  // for the accessible objects
    if (argc < 2) return Usage();
    Options options;
    options.command = argv[1];
    for (int i = 2; i < argc; ++i) {
        const std::wstring arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == L"--title" && hasValue) {
            options.title = argv[++i];
        } else if (arg == L"--process" && hasValue) {
            options.process = argv[++i];
        } else if (arg == L"--wait" && hasValue) {
            options.waitMs = static_cast<DWORD>(std::wcstoul(argv[++i], nullptr, 10));
        } else if (arg == L"--max-items" && hasValue) {
            maxItems = static_cast<DWORD_PTR>(std::wcstoul(argv[++i], nullptr, 10));
        } else if (arg == L"--at-once") {
            atOnce = true;
        } else if (arg == L"--measure") {
            measure = true;
        } else if (arg == L"--follow" && hasValue) {
            options.follow = argv[++i];
            atOnce = true;
        } else if (arg == L"--gone") {
            options.gone = true;
        } else if (options.command == L"pixels" || options.command == L"close") {
            options.numbers.push_back(std::wcstol(arg.c_str(), nullptr, 10));
        } else {
            return Usage();
        }
    }

    if (options.command == L"pixels") {
        if (options.numbers.size() != 4) return Usage();
        const RECT rect = {options.numbers[0], options.numbers[1],
                           options.numbers[0] + options.numbers[2],
                           options.numbers[1] + options.numbers[3]};
        const auto mean = MeanColor(rect);
        Print(mean ? "{\"mean_rgb\": " + Color(*mean) + "}" : "null");
        return mean ? 0 : 1;
    }
    if (options.command == L"close") {
        if (options.numbers.size() != 1) return Usage();
        const auto hwnd = reinterpret_cast<HWND>(static_cast<INT_PTR>(options.numbers[0]));
        if (!IsWindow(hwnd)) return Usage();
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(hwnd, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
        const bool gone = !IsWindow(hwnd);
        Print("{\"gone\": " + Bool(gone) + "}");
        return gone ? 0 : 1;
    }
    if (options.command == L"codepage") {
        Print("{\"acp\": " + std::to_string(GetACP()) + "}");
        return 0;
    }
    if (options.command == L"window" && !options.title) return Usage();
    if (options.command != L"windows" && options.command != L"window" &&
        options.command != L"msgboxes")
        return Usage();

    const ULONGLONG deadline = GetTickCount64() + options.waitMs;
    std::vector<HWND> found = Find(options);
    while ((found.empty() != options.gone) && GetTickCount64() < deadline) {
        // Read at once, a window is wanted the moment it shows.
        Sleep(atOnce ? 5 : 50);
        found = Find(options);
    }
    // Let a window that has just appeared finish painting and filling its controls.
    if (!found.empty() && options.waitMs && !atOnce) {
        WaitForStartUp(found.front(), deadline);
        Sleep(100);
        found = Find(options);
    }

    if (options.command == L"window" && options.follow) {
        if (found.empty()) return 1;
        return Follow(found.front(), *options.follow, deadline);
    }
    if (options.command == L"window") {
        Print(found.empty() ? "null" : Details(found.front()));
    } else {
        std::string out = "[";
        for (size_t i = 0; i < found.size(); ++i) {
            if (i) out += ",\n ";
            out += options.command == L"msgboxes" ? MsgBoxJson(found[i]) : Summary(found[i]);
        }
        Print(out + "]");
    }
    if (options.command == L"windows" && !options.waitMs) return 0;
    return (found.empty() == options.gone) ? 0 : 1;
}
