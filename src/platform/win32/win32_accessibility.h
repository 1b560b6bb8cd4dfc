#pragma once

#include <string>

#include <windows.h>

namespace zelvane {

// Gives a control the name a screen reader says for it, in place of its window text. Where
// the system cannot annotate controls, the control keeps the name of its text.
void SetAccessibleName(HWND control, const std::wstring& name);

// Puts a label directly before the control it names in z-order, where a screen reader looks
// for the name of a text box or a list. Labels take no focus, so the tab order stays.
void PlaceLabelBefore(HWND label, HWND control);

}  // namespace zelvane
