#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "platform/output_escape.h"

namespace zelvane {
namespace {

TEST(OutputEscapeTest, NamesThatPrintAlikeAreToldApart) {
    // Each of these prints as "123456789" alone if written as it is.
    EXPECT_EQ(EscapedForOutput(L"1234\x200b"
                               L"56789"),
              L"1234\\u200B56789");
    EXPECT_EQ(EscapedForOutput(L"123456789\x2060\xad\x61c"), L"123456789\\u2060\\u00AD\\u061C");
    // Above U+FFFF a surrogate pair is one character, named whole: the language tag and the
    // tag letter A. The high half of one without its low half is a lone surrogate.
    EXPECT_EQ(EscapedForOutput(L"9\xdb40\xdc01\xdb40\xdc41\xdb40"
                               L"9"),
              L"9\\U000E0001\\U000E0041\\uDB409");
    // A digit, a CJK character, a letter with a combining acute, the Arabic semicolon just
    // below the letter mark, and a private-use character above the table's last range.
    const std::wstring printable =
        L"9\x540d"
        L"e\x301\x61b\xdb80\xdc00";
    EXPECT_EQ(EscapedForOutput(printable), printable);
}

std::string Contents(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// Catches a committed table that the generator or the installed Unicode data has left behind.
TEST(OutputEscapeTest, CommittedTableIsWhatTheGeneratorMakes) {
    const std::filesystem::path data = "/usr/share/unicode";
    if (!std::filesystem::exists(data / "UnicodeData.txt") ||
        !std::filesystem::exists(data / "DerivedCoreProperties.txt")) {
        GTEST_SKIP() << "no UnicodeData.txt and DerivedCoreProperties.txt in " << data
                     << " (Debian's unicode-data), so the committed table is not checked";
    }
    const std::filesystem::path root =
        std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
    const std::string command = "'" + (root / "scripts" / "escape-table").string().append("' -");
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr) << command;
    std::string made;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) != 0;)
        made.append(buffer, n);
    ASSERT_EQ(pclose(pipe), 0) << command;
    EXPECT_EQ(made, Contents(root / "src" / "platform" / "escaped_code_points.h"))
        << "the table is stale: run scripts/escape-table and commit its output";
}

}  // namespace
}  // namespace zelvane
