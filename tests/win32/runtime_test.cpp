// The Win32 runtime: starting Zelvane again as administrator, and message boxes that end
// unanswered.
#include "platform/win32/win32_runtime.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <string>
#include <vector>

namespace zelvane {
namespace {

std::vector<std::wstring> SplitCommandLine(const std::wstring& line) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(line.c_str(), &count);
    std::vector<std::wstring> split(arguments, arguments + count);
    LocalFree(arguments);
    return split;
}

TEST(Win32RuntimeTest, QuotedArgumentsComeBackUnchanged) {
    const std::vector<std::wstring> arguments = {L"/erase-as-administrator",
                                                 L"123456",
                                                 L"my account",
                                                 L"",
                                                 L"say \"hi\"",
                                                 L"ends in \\",
                                                 L"a\\\\\"b",
                                                 L"\x8868",
                                                 L"\t"};
    std::wstring line = L"zelvane.exe";
    for (const std::wstring& argument : arguments) line += L" " + QuoteArgument(argument);
    std::vector<std::wstring> expected = {L"zelvane.exe"};
    expected.insert(expected.end(), arguments.begin(), arguments.end());
    EXPECT_EQ(SplitCommandLine(line), expected);
}

// Wine runs every program with full rights, so "runas" starts it at once, with no prompt to
// answer. reg.exe writes what it was given into the registry, where the test reads it.
TEST(Win32RuntimeTest, TheRunasStartPassesTheArguments) {
    const wchar_t* key = L"Software\\ZelvaneTest\\runas";
    RegDeleteKeyW(HKEY_CURRENT_USER, key);
    const std::wstring data = L"my \"account\" \x8868";
    wchar_t system[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
    ASSERT_EQ(
        StartAsAdministrator(
            std::wstring(system) + L"\\reg.exe",
            {L"add", L"HKCU\\" + std::wstring(key), L"/v", L"Given", L"/d", data, L"/f"}, nullptr),
        0);

    std::wstring given(64, L'\0');
    for (int tries = 0; tries < 100; ++tries) {
        DWORD size = static_cast<DWORD>(given.size() * sizeof(wchar_t));
        if (RegGetValueW(HKEY_CURRENT_USER, key, L"Given", RRF_RT_REG_SZ, nullptr, given.data(),
                         &size) == ERROR_SUCCESS) {
            given.resize(size / sizeof(wchar_t) - 1);
            break;
        }
        Sleep(100);
    }
    EXPECT_EQ(given, data);
    RegDeleteKeyW(HKEY_CURRENT_USER, key);
}

// How a confirmation box can end with no button pressed: closed by another program, its
// window destroyed (with its owner, say), or the program's message loop ending under it.
enum class Ending { kClose, kDestroy, kQuit };
Ending ending = Ending::kClose;

void CALLBACK EndTheBox(HWND, UINT, UINT_PTR timer, DWORD) {
    const HWND box = FindWindowW(L"#32770", L"Confirmation");
    if (box == nullptr) return;
    KillTimer(nullptr, timer);
    if (ending == Ending::kClose) PostMessageW(box, WM_CLOSE, 0, 0);
    if (ending == Ending::kDestroy) DestroyWindow(box);
    if (ending == Ending::kQuit) PostQuitMessage(0);
}

TEST(Win32RuntimeTest, AConfirmationThatEndsUnansweredIsNoYesAndNoError) {
    Win32Application application(GetModuleHandleW(nullptr));
    Win32Runtime runtime(application);
    for (const Ending way : {Ending::kClose, Ending::kDestroy, Ending::kQuit}) {
        ending = way;
        SetTimer(nullptr, 0, 50, &EndTheBox);
        int answer = -1;
        EXPECT_NO_THROW(
            answer = runtime.MsgBox(L"Are you sure?", kYesNo + kCriticalIcon, L"Confirmation"));
        EXPECT_NE(answer, kAnswerYes);
        EXPECT_NE(answer, -1);
        MSG quit;
        PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }
}

}  // namespace
}  // namespace zelvane
