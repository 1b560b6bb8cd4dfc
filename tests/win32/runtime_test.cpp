// String conversion between UTF-16 and the system ANSI code page.
#include "platform/win32/win32_runtime.h"

#include <gtest/gtest.h>

#include <string>

namespace zelvane {
namespace {

bool SingleByteCodePage() {
    CPINFO info = {};
    return GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 1;
}

class Win32RuntimeTest : public ::testing::Test {
  protected:
    Win32Application application{GetModuleHandleW(nullptr)};
    Win32Runtime runtime{application};
};

TEST_F(Win32RuntimeTest, AsciiConvertsExactlyBothWays) {
    const AnsiText ansi = runtime.StrToAnsi(L"Software\\Mirabilis\\ICQ\\NewOwners\\123456");
    EXPECT_EQ(ansi.bytes, "Software\\Mirabilis\\ICQ\\NewOwners\\123456");
    EXPECT_TRUE(ansi.exact);
    EXPECT_EQ(runtime.StrToUnicode("12345678"), L"12345678");

    const AnsiText empty = runtime.StrToAnsi(L"");
    EXPECT_EQ(empty.bytes, "");
    EXPECT_TRUE(empty.exact);
    EXPECT_EQ(runtime.StrToUnicode(""), L"");
}

TEST_F(Win32RuntimeTest, LookAlikesAndForeignCharactersAreNotExact) {
    if (!SingleByteCodePage()) GTEST_SKIP() << "the ANSI code page here has full-width forms";
    // Best fit would turn these into '1' and '\'; they must not pass for them.
    const AnsiText digit = runtime.StrToAnsi(L"12\uFF13");
    EXPECT_FALSE(digit.exact);
    EXPECT_NE(digit.bytes, "123");
    const AnsiText backslash = runtime.StrToAnsi(L"1\uFF3C2");
    EXPECT_FALSE(backslash.exact);
    EXPECT_EQ(backslash.bytes.find('\\'), std::string::npos);
    EXPECT_FALSE(runtime.StrToAnsi(L"\u4E2D").exact);
}

TEST_F(Win32RuntimeTest, UnicodeKeepsTheWholeBufferNulsIncluded) {
    std::string buffer(255, '\0');
    buffer.replace(0, 6, "123456");
    const std::wstring text = runtime.StrToUnicode(buffer);
    ASSERT_EQ(text.size(), 255u);
    EXPECT_EQ(text.substr(0, 7), std::wstring(L"123456\0", 7));

    // And back: the NULs go through too.
    EXPECT_EQ(runtime.StrToAnsi(text).bytes, buffer);
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

TEST_F(Win32RuntimeTest, AConfirmationThatEndsUnansweredIsNoYesAndNoError) {
    for (const Ending way : {Ending::kClose, Ending::kDestroy, Ending::kQuit}) {
        ending = way;
        SetTimer(nullptr, 0, 50, &EndTheBox);
        int answer = -1;
        EXPECT_NO_THROW(
            answer = runtime.MsgBox(L"Are you sure?", vbYesNo + vbCritical, L"Confirmation"));
        EXPECT_NE(answer, vbYes);
        EXPECT_NE(answer, -1);
        MSG quit;
        PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }
}

}  // namespace
}  // namespace zelvane
