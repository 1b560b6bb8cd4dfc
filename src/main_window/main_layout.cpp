#include "main_window/main_layout.h"

namespace zelvane {

namespace {

constexpr std::uint32_t kDarkGrey = 0x404040;
constexpr std::uint32_t kNavy = 0x400000;
constexpr std::uint32_t kLightGrey = 0xE0E0E0;

}  // namespace

FormSpec MainLayout(const Strings& strings) {
    using enum ControlKind;
    return {.name = L"frmMain",
            .caption = L"Zelvane v2",
            .border = BorderStyle::kFixedToolWindow,
            .clientWidth = 2010,
            .clientHeight = 1425,
            .outerHeight = static_cast<int>(kCollapsedHeight),
            .iconResource = ZELVANE_ERASER_ICON,
            .defaultButton = kEraseButton,
            .rightToLeft = strings.RightToLeft(),
            .controls = {
                {.id = kOuterFrame,
                 .name = L"Frame1",
                 .kind = kFrame,
                 .parent = kForm,
                 .rect = {80, 0, 1855, 1375},
                 .font = {.bold = false}},
                {.id = kUinFrame,
                 .name = L"Frame2",
                 .kind = kFrame,
                 .parent = kOuterFrame,
                 .rect = {120, 120, 1620, 465}},
                {.id = kUinBox,
                 .name = L"txtUIN",
                 .kind = kTextBox,
                 .parent = kUinFrame,
                 .rect = {480, 120, 1095, 285},
                 .foreColor = kDarkGrey,
                 .maxLength = 9},
                {.id = kUinLabel,
                 .name = L"Label1",
                 .kind = kLabel,
                 .parent = kUinFrame,
                 .rect = {60, 160, 375, 255},
                 .caption = strings.Text(IDS_UIN_LABEL),
                 .foreColor = kNavy,
                 .labelFor = kUinBox},
                {.id = kEraseButton,
                 .name = L"cmdDelete",
                 .kind = kCommandButton,
                 .parent = kOuterFrame,
                 .rect = {990, 740, 735, 255},
                 .caption = strings.Text(IDS_ERASE_BUTTON)},
                {.id = kAboutButton,
                 .name = L"cmdAbout",
                 .kind = kCommandButton,
                 .parent = kOuterFrame,
                 .rect = {140, 740, 735, 255},
                 .caption = strings.Text(IDS_ABOUT_BUTTON)},
                {.id = kToggleButton,
                 .name = L"Command1",
                 .kind = kCommandButton,
                 .parent = kOuterFrame,
                 .rect = {140, 1040, 1590, 255},
                 .caption = L"v",
                 .spoken = {{{L"v", strings.Text(IDS_SHOW_ACCOUNTS)},
                             {L"^", strings.Text(IDS_HIDE_ACCOUNTS)}}}},
                // Line2 (grey) and Line1 (white, width 2) lie on the same coordinates: together
                // they draw one etched separator between the input box and the buttons.
                {.id = kSeparator,
                 .name = L"Line1",
                 .kind = kEtchedLine,
                 .parent = kOuterFrame,
                 .rect = {120, 690, 1600, 0}},
                {.id = kListFrame,
                 .name = L"Frame3",
                 .kind = kFrame,
                 .parent = kForm,
                 .rect = {80, 1360, 1855, 1300}},
                {.id = kAccountList,
                 .name = L"List1",
                 .kind = kListBox,
                 .parent = kListFrame,
                 .rect = {60, 160, 1710, 1050},
                 .font = {.points = 6.75f},
                 .foreColor = kDarkGrey,
                 .backColor = kLightGrey,
                 .accessibleName = strings.Text(IDS_ACCOUNT_LIST)},
                {.id = kCollapseTimer, .name = L"tmrEffectUp", .kind = kTimer, .interval = 10},
                {.id = kExpandTimer, .name = L"tmrEffectDown", .kind = kTimer, .interval = 10},
            }};
}

}  // namespace zelvane
