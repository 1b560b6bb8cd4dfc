// The string tables as zelvane.exe reads them: linked in here as in the program, with a
// French table that has a single string.
#include "platform/win32/win32_strings.h"

#include <gtest/gtest.h>

#include "resource_ids.h"

namespace zelvane {
namespace {

// Windows answers FindResourceEx for a language without a block with another language's,
// so a string the chosen table lacks must come from English and from no other table.
TEST(Win32StringsTest, ALanguageOrRegionWithoutATableAndAMissingStringFallBack) {
    const HMODULE module = GetModuleHandleW(nullptr);
    struct Case {
        LanguageId user;
        LanguageId chosen;
        std::wstring_view erase;
    };
    const Case cases[] = {
        {0x0407, 0x0407, L"&Tilgen"},   // German
        {0x0C07, 0x0407, L"&Tilgen"},   // German (Austria)
        {0x0816, 0x0416, L"&Excluir"},  // Portuguese (Portugal)
        {0x080A, 0x0C0A, L"&Borrar"},   // Spanish (Mexico)
        {0x0411, kEnglish, L"&Erase"},  // Japanese
        {0x040C, 0x040C, L"&Effacer"},  // French, with one string
    };
    for (const Case& test : cases) {
        const Win32Strings strings(module, test.user);
        EXPECT_EQ(strings.Language(), test.chosen) << test.user;
        EXPECT_EQ(strings.Text(IDS_ERASE_BUTTON), test.erase) << test.user;
    }
    const Win32Strings french(module, 0x040C);
    EXPECT_EQ(french.Text(IDS_ABOUT_BUTTON), L"&About");  // missing from its block
    EXPECT_EQ(french.Text(IDS_DONE), L"Done!");           // in a block it does not have
    EXPECT_EQ(french.Text(999), L"");
    EXPECT_TRUE(Win32Strings(module, 0x040D).RightToLeft());
}

}  // namespace
}  // namespace zelvane
