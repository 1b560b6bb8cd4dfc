#include "main_window/messages.h"

namespace zelvane {

int Messages::Show(const std::wstring& prompt, int style, int titleId) const {
    if (strings_.RightToLeft()) style |= kRightAligned | kRightToLeftReading;
    return runtime_.MsgBox(prompt, style, std::wstring(strings_.Text(titleId)));
}

}  // namespace zelvane
