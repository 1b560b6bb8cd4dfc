#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace zelvane {

// A file in the form regedit and reg export write, which reg import and a double-click on
// it read back: "Windows Registry Editor Version 5.00", each key as "[name]" followed by its
// values, comment lines starting with ";". Lines end in CRLF; the text starts with the
// byte-order mark, and the file holds it as UTF-16LE (FileBytes).
class RegFile {
  public:
    RegFile();

    // A comment line holding the text escaped as the command line prints it, so that no
    // name in it can end the comment or start a key of its own.
    void Comment(std::wstring_view text);
    // Starts a key: its values follow.
    void Key(std::wstring_view name);
    // One value of the key last started, in the form regedit writes its type: a string
    // quoted (backslash and quote escaped), a DWORD as dword:, any other type, and a string
    // whose bytes the quoted form would not give back, as hex bytes wrapped as regedit wraps
    // them. The value's name must pass CanHoldName.
    void Value(const RegistryValue& value);

    // Appends another file's comments and keys, without its header.
    void Append(const RegFile& other);

    // The whole text, ended as regedit ends it.
    std::wstring Text() const;

  private:
    std::wstring text_;
};

// Whether a key's or a value's name can be written: a NUL, a carriage return or a line feed
// would end the name, or the line, where the registry's name goes on.
bool CanHoldName(std::wstring_view name);

// Whether a REG_SZ's bytes are exactly what the quoted form gives back: whole UTF-16 units,
// one terminating NUL and no other, and no line break.
bool IsQuotableString(const std::vector<std::uint8_t>& data);

// The text as the file holds it: UTF-16LE, each code unit as it is.
std::string FileBytes(std::wstring_view text);

}  // namespace zelvane
