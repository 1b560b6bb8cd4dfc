#include "account_backup/reg_file.h"

#include "platform/hex.h"
#include "platform/output_escape.h"
#include "platform/strings.h"

namespace zelvane {

namespace {

constexpr wchar_t kLineEnd[] = L"\r\n";

// A hex line is broken once it reaches this many characters, as regedit breaks it: a
// backslash ends it and the next one starts with two spaces.
constexpr std::size_t kHexLineBreak = 77;

std::wstring Escaped(std::wstring_view text) {
    std::wstring escaped;
    for (const wchar_t ch : text) {
        if (ch == L'\\' || ch == L'"') escaped += L'\\';
        escaped += ch;
    }
    return escaped;
}

// The bytes after their type's tag; column is where the tag began, which counts for where
// the first line breaks. No break follows the last byte.
std::wstring HexBytes(std::wstring_view tag, std::size_t column,
                      const std::vector<std::uint8_t>& data) {
    std::wstring text(tag);
    column += tag.size();
    for (std::size_t i = 0; i < data.size(); ++i) {
        text += Hex(data[i], 2);
        if (i + 1 == data.size()) break;
        text += L',';
        column += 3;
        if (column >= kHexLineBreak) {
            text += L"\\\r\n  ";
            column = 2;
        }
    }
    return text;
}

}  // namespace

RegFile::RegFile() : text_(L"\xFEFFWindows Registry Editor Version 5.00\r\n") {}

void RegFile::Comment(std::wstring_view text) {
    text_ += kLineEnd;
    text_ += L"; ";
    text_ += EscapedForOutput(text);
    text_ += kLineEnd;
}

void RegFile::Key(std::wstring_view name) {
    text_ += kLineEnd;
    text_ += L'[';
    text_ += name;
    text_ += L']';
    text_ += kLineEnd;
}

void RegFile::Value(const RegistryValue& value) {
    const std::wstring name =
        value.name.empty() ? L"@=" : Joined({L"\"", Escaped(value.name), L"\"="});
    text_ += name;
    const std::vector<std::uint8_t>& data = value.data;
    if (value.type == kRegSz && IsQuotableString(data)) {
        std::wstring text;
        for (std::size_t i = 0; i + 2 < data.size(); i += 2) {
            text += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
        }
        text_ += L'"';
        text_ += Escaped(text);
        text_ += L'"';
    } else if (value.type == kRegDword && data.size() == 4) {
        text_ += L"dword:";
        text_ += Hex(static_cast<std::uint32_t>(data[0] | (data[1] << 8) | (data[2] << 16) |
                                                (data[3] << 24)),
                     8);
    } else {
        const std::wstring tag =
            value.type == kRegBinary ? L"hex:" : Joined({L"hex(", Hex(value.type, 1), L"):"});
        text_ += HexBytes(tag, name.size(), data);
    }
    text_ += kLineEnd;
}

void RegFile::Append(const RegFile& other) {
    text_ += std::wstring_view(other.text_).substr(other.text_.find(L'\n') + 1);
}

std::wstring RegFile::Text() const {
    return text_ + kLineEnd;
}

bool CanHoldName(std::wstring_view name) {
    return name.find_first_of(std::wstring_view(L"\0\r\n", 3)) == name.npos;
}

bool IsQuotableString(const std::vector<std::uint8_t>& data) {
    if (data.size() < 2 || data.size() % 2 != 0) return false;
    for (std::size_t i = 0; i < data.size(); i += 2) {
        const unsigned unit = data[i] | (data[i + 1] << 8);
        const bool last = i + 2 == data.size();
        if ((unit == 0) != last || unit == L'\r' || unit == L'\n') return false;
    }
    return true;
}

std::string FileBytes(std::wstring_view text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (const wchar_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>((unit >> 8) & 0xFF);
    }
    return bytes;
}

}  // namespace zelvane
