#include <gtest/gtest.h>

#include "account_backup/reg_file.h"

namespace zelvane {
namespace {

std::vector<std::uint8_t> Utf16(std::wstring_view text) {
    std::vector<std::uint8_t> bytes;
    for (const wchar_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
}

std::vector<std::uint8_t> Counting(std::size_t count) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < count; ++i) bytes.push_back(static_cast<std::uint8_t>(i));
    return bytes;
}

// The bytes of the hex value named name, read back as reg import reads them: after the
// type's tag, two hex digits a byte, commas between, a backslash at a line's end going on
// at the next.
std::vector<std::uint8_t> HexValue(const std::wstring& text, const std::wstring& name) {
    std::size_t at = text.find(L"\r\n\"" + name + L"\"=hex");
    at = text.find(L':', at) + 1;
    std::vector<std::uint8_t> bytes;
    std::wstring digits;
    for (; at < text.size(); ++at) {
        const wchar_t ch = text[at];
        if (ch == L'\\') {
            at = text.find(L"\r\n", at) + 1;
        } else if (ch == L'\r') {
            break;
        } else if (ch != L',' && ch != L' ') {
            digits += ch;
        }
    }
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
        bytes.push_back(
            static_cast<std::uint8_t>(std::stoi(std::wstring(digits, i, 2), nullptr, 16)));
    }
    return bytes;
}

// The expected text is what Wine's `reg export` wrote for a key holding these values (set
// with their exact bytes, given in the order Wine lists them), but for two lines: reg export
// writes no comments, and it writes the three-byte DWORD as dword:00030201, reading a fourth
// byte that is not the value's, so that value keeps the hex(4) form that holds its bytes.
TEST(RegFileTest, WritesEveryTypeAsRegExportDoes) {
    RegFile file;
    file.Comment(L"a note");
    file.Key(L"HKEY_CURRENT_USER\\Software\\X\\123");
    file.Value({L"", kRegSz, Utf16(std::wstring(L"C:\\dir \"q\" \u540d") + L'\0')});
    file.Value({L"Bin", kRegBinary, Counting(60)});
    file.Value({L"E", kRegExpandSz, Utf16(std::wstring(L"%A%") + L'\0')});
    file.Value({L"M", kRegMultiSz, Utf16(std::wstring(L"a\0\0", 3))});
    file.Value({L"N", kRegNone, {}});
    file.Value({L"na\"me\\", kRegDword, {0x2a, 0x01, 0x00, 0x80}});
    file.Value({L"Q", kRegQword, {1, 0, 0, 0, 0, 0, 0, 0x10}});
    file.Value({L"Short", kRegDword, {1, 2, 3}});
    file.Value({L"T", 0x20000, {0xff}});
    file.Value({L"Wrapped after one byte, a name this long leaving no room for another one",
                kRegBinary, Counting(30)});
    file.Key(L"HKEY_CURRENT_USER\\Software\\X\\123\\Empty");
    EXPECT_EQ(
        file.Text(),
        L"\xFEFFWindows Registry Editor Version 5.00\r\n"
        L"\r\n"
        L"; a note\r\n"  // the writer's own
        L"\r\n"          // the writer's own
        L"[HKEY_CURRENT_USER\\Software\\X\\123]\r\n"
        L"@=\"C:\\\\dir \\\"q\\\" \u540d\"\r\n"
        L"\"Bin\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\r\n"
        L"  17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,2f,\\\r\n"
        L"  30,31,32,33,34,35,36,37,38,39,3a,3b\r\n"
        L"\"E\"=hex(2):25,00,41,00,25,00,00,00\r\n"
        L"\"M\"=hex(7):61,00,00,00,00,00\r\n"
        L"\"N\"=hex(0):\r\n"
        L"\"na\\\"me\\\\\"=dword:8000012a\r\n"
        L"\"Q\"=hex(b):01,00,00,00,00,00,00,10\r\n"
        L"\"Short\"=hex(4):01,02,03\r\n"  // the writer's own
        L"\"T\"=hex(20000):ff\r\n"
        L"\"Wrapped after one byte, a name this long leaving no room for another "
        L"one\"=hex:00,\\\r\n"
        L"  01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,18,19,\\\r\n"
        L"  1a,1b,1c,1d\r\n"
        L"\r\n"
        L"[HKEY_CURRENT_USER\\Software\\X\\123\\Empty]\r\n"
        L"\r\n");
    EXPECT_EQ(FileBytes(L"\xFEFF[a\u540d"), std::string("\xFF\xFE[\0a\0\x0dT", 8));
}

TEST(RegFileTest, StringsTheQuotedFormWouldChangeKeepTheirBytesAsHex1) {
    const std::vector<std::vector<std::uint8_t>> odd = {
        {'a', 0, 'b'},                               // an odd number of bytes
        Utf16(L"no end"),                            // no terminating NUL
        Utf16(std::wstring(L"a\0b\0", 4)),           // a NUL inside
        Utf16(std::wstring(L"two\r\nlines\0", 11)),  // a line break
        {},                                          // no bytes at all
        Counting(101),                               // long enough to be wrapped
    };
    RegFile file;
    file.Key(L"HKEY_CURRENT_USER\\X");
    for (std::size_t i = 0; i < odd.size(); ++i) {
        EXPECT_FALSE(IsQuotableString(odd[i])) << i;
        file.Value({L"v" + std::to_wstring(i), kRegSz, odd[i]});
    }
    const std::wstring text = file.Text();
    for (std::size_t i = 0; i < odd.size(); ++i) {
        EXPECT_NE(text.find(L"\"v" + std::to_wstring(i) + L"\"=hex(1):"), std::wstring::npos);
        EXPECT_EQ(HexValue(text, L"v" + std::to_wstring(i)), odd[i]) << i;
    }
    EXPECT_TRUE(IsQuotableString(Utf16(std::wstring(L"x\0", 2))));
    EXPECT_FALSE(CanHoldName(std::wstring(L"a\0b", 3)));
    EXPECT_FALSE(CanHoldName(L"a\nb"));
    EXPECT_TRUE(CanHoldName(L"a]\"\\b"));
}

// A comment names keys and link targets, which may hold line breaks: none ends the comment.
TEST(RegFileTest, ACommentStaysOneLineWhateverItNames) {
    RegFile file;
    file.Comment(L"link: A\r\n[HKEY_LOCAL_MACHINE\\X]\r\n\"v\"=\"w\"");
    EXPECT_EQ(file.Text(),
              L"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n"
              L"; link: A\\r\\n[HKEY_LOCAL_MACHINE\\X]\\r\\n\"v\"=\"w\"\r\n\r\n");
}

}  // namespace
}  // namespace zelvane
