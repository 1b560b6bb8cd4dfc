// clipboard.exe: puts a text on the Windows clipboard, as a user who copied it somewhere
// else would, so that an end-to-end test can paste it with a real Ctrl+V.
//
//   clipboard HEX
//
// HEX is the text as UTF-16 code units, four hex digits each ("005C" is a backslash): a
// command line reaches a Wine program through the locale's character set, which could
// change any character outside ASCII. Exit code 0 when the clipboard holds the text.

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

bool ParseHex(const wchar_t* hex, std::wstring& text) {
    const size_t length = std::wcslen(hex);
    if (length % 4 != 0) return false;
    for (size_t i = 0; i < length; i += 4) {
        wchar_t digits[5] = {hex[i], hex[i + 1], hex[i + 2], hex[i + 3], 0};
        wchar_t* end = nullptr;
        const unsigned long unit = std::wcstoul(digits, &end, 16);
        if (*end != 0) return false;
        text.push_back(static_cast<wchar_t>(unit));
    }
    return true;
}

bool SetClipboardText(const std::wstring& text) {
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory) return false;
    void* target = GlobalLock(memory);
    std::memcpy(target, text.c_str(), bytes);
    GlobalUnlock(memory);

    // Another program may hold the clipboard for a moment.
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (OpenClipboard(nullptr)) {
            EmptyClipboard();
            const bool placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
            CloseClipboard();
            if (!placed) GlobalFree(memory);
            return placed;
        }
        Sleep(20);
    }
    GlobalFree(memory);
    return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring text;
    if (argc != 2 || !ParseHex(argv[1], text)) {
        std::fputs("usage: clipboard HEX (UTF-16 code units, four hex digits each)\n", stderr);
        return 2;
    }
    return SetClipboardText(text) ? 0 : 1;
}
