#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/runtime.h"
#include "platform/strings.h"
#include "resource_ids.h"

namespace zelvane {

// The main window's message boxes and their words, in the user's language: a box reads right
// to left where the language does.
class Messages {
  public:
    Messages(Runtime& runtime, const Strings& strings) : runtime_(runtime), strings_(strings) {}

    // The text of the string id with its markers filled in.
    std::wstring Text(int id, std::initializer_list<std::wstring_view> arguments = {}) const {
        return Format(strings_.Text(id), arguments);
    }
    // An account number or a registry path, kept left to right within any sentence.
    std::wstring LeftToRight(std::wstring_view text) const {
        return LeftToRightRun(strings_, text);
    }
    // A modal message box titled with the string id; returns the answer, as Runtime::MsgBox.
    int Show(const std::wstring& prompt, int style, int titleId) const;

  private:
    Runtime& runtime_;
    const Strings& strings_;
};

}  // namespace zelvane
