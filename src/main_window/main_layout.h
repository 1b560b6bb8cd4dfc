#pragma once

#include "platform/form_layout.h"
#include "platform/strings.h"
#include "resource_ids.h"

namespace zelvane {

// The main window's controls, numbered in tab order.
enum MainControl : int {
    kOuterFrame = 1,
    kUinFrame,
    kUinBox,
    kUinLabel,
    kEraseButton,
    kAboutButton,
    kToggleButton,
    kSeparator,
    kListFrame,
    kAccountList,
    kCollapseTimer,
    kExpandTimer,
};

// Outer heights of the window, in twips.
constexpr float kCollapsedHeight = 1755.0f;
constexpr float kExpandedHeight = 3075.0f;
// How far one animation tick moves the window's bottom edge, in twips.
constexpr float kAnimationStep = 10.0f;

// The layout with its words in the strings' language. Its texts are the strings' own: it
// must not outlive them.
FormSpec MainLayout(const Strings& strings);

}  // namespace zelvane
