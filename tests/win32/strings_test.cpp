#include "platform/win32/win32_strings.h"

#include <gtest/gtest.h>

#include "resource_ids.h"

namespace zelvane {
namespace {

// The program's tables are linked in, and partial_strings.rc's French one with a single
// string. Windows answers FindResourceEx for a block a language lacks with another
// language's: what the chosen table lacks must come from English, from no other table.
TEST(Win32StringsTest, ARegionOrAStringWithoutATableFallsBack) {
    const HMODULE module = GetModuleHandleW(nullptr);
    EXPECT_EQ(Win32Strings(module, 0x0816).Text(IDS_ERASE_BUTTON), L"&Excluir");  // Portugal
    EXPECT_EQ(Win32Strings(module, 0x080A).Text(IDS_ERASE_BUTTON), L"&Borrar");   // Mexico
    EXPECT_EQ(Win32Strings(module, 0x0411).Text(IDS_ERASE_BUTTON), L"&Erase");    // Japan
    const Win32Strings french(module, 0x040C);
    EXPECT_EQ(french.Text(IDS_ERASE_BUTTON), L"&Effacer");
    EXPECT_EQ(french.Text(IDS_ABOUT_BUTTON), L"&About");  // missing from its block
    EXPECT_EQ(french.Text(IDS_DONE), L"Done!");           // in a block it lacks
}

}  // namespace
}  // namespace zelvane
