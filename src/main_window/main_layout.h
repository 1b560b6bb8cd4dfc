#pragma once

#include "platform/form_layout.h"
#include "resource_ids.h"

namespace zelvane {

// The main window's controls, numbered in tab order.
enum MainControl : int {
    kMainForm = 0,
    kFrame1 = 1,
    kFrame2,
    kTxtUIN,
    kLabel1,
    kCmdDelete,
    kCmdAbout,
    kCommand1,
    kLine1,
    kFrame3,
    kList1,
    kTmrEffectUp,
    kTmrEffectDown,
};

// Outer heights of the window, in twips.
constexpr float kCollapsedHeight = 1755.0f;
constexpr float kExpandedHeight = 3075.0f;

const FormSpec& MainLayout();

}  // namespace zelvane
