#include "main_window/main_layout.h"

namespace zelvane {

namespace {

constexpr std::uint32_t kDarkGrey = 0x404040;
constexpr std::uint32_t kNavy = 0x400000;
constexpr std::uint32_t kLightGrey = 0xE0E0E0;

FormSpec BuildMainLayout() {
    FormSpec form;
    form.name = L"frmMain";
    form.caption = L"Zelvane v2";
    form.border = BorderStyle::kFixedToolWindow;
    form.clientWidth = 2010;
    form.clientHeight = 1425;
    form.outerHeight = static_cast<int>(kCollapsedHeight);
    form.iconResource = kEraserIcon;

    const FontSpec normal{L"Tahoma", 8.25f, false, 177};
    const FontSpec small{L"Tahoma", 6.75f, true, 177};

    ControlSpec c;
    auto add = [&form](ControlSpec spec) { form.controls.push_back(spec); };

    c = {};
    c.id = kFrame1, c.name = L"Frame1", c.kind = ControlKind::kFrame;
    c.rect = {80, 0, 1855, 1375}, c.font = normal;
    add(c);

    c = {};
    c.id = kFrame2, c.name = L"Frame2", c.kind = ControlKind::kFrame, c.parent = kFrame1;
    c.rect = {120, 120, 1620, 465};
    add(c);

    c = {};
    c.id = kTxtUIN, c.name = L"txtUIN", c.kind = ControlKind::kTextBox, c.parent = kFrame2;
    c.rect = {480, 120, 1095, 285}, c.foreColour = kDarkGrey, c.maxLength = 9, c.tabStop = true;
    add(c);

    c = {};
    c.id = kLabel1, c.name = L"Label1", c.kind = ControlKind::kLabel, c.parent = kFrame2;
    c.rect = {60, 160, 375, 255}, c.caption = L"UIN:", c.foreColour = kNavy;
    add(c);

    c = {};
    c.id = kCmdDelete, c.name = L"cmdDelete", c.kind = ControlKind::kCommandButton;
    c.parent = kFrame1, c.rect = {990, 740, 735, 255}, c.caption = L"&Erase", c.tabStop = true;
    add(c);

    c = {};
    c.id = kCmdAbout, c.name = L"cmdAbout", c.kind = ControlKind::kCommandButton;
    c.parent = kFrame1, c.rect = {140, 740, 735, 255}, c.caption = L"&About", c.tabStop = true;
    add(c);

    c = {};
    c.id = kCommand1, c.name = L"Command1", c.kind = ControlKind::kCommandButton;
    c.parent = kFrame1, c.rect = {140, 1040, 1590, 255}, c.caption = L"v", c.tabStop = true;
    add(c);

    // Line2 (grey) and Line1 (white, width 2) lie on the same coordinates: together they
    // draw one etched separator between the input box and the buttons.
    c = {};
    c.id = kLine1, c.name = L"Line1", c.kind = ControlKind::kEtchedLine, c.parent = kFrame1;
    c.rect = {120, 690, 1600, 0};
    add(c);

    c = {};
    c.id = kFrame3, c.name = L"Frame3", c.kind = ControlKind::kFrame;
    c.rect = {80, 1360, 1855, 1300};
    add(c);

    c = {};
    c.id = kList1, c.name = L"List1", c.kind = ControlKind::kListBox, c.parent = kFrame3;
    c.rect = {60, 160, 1710, 1050}, c.font = small, c.foreColour = kDarkGrey;
    c.backColour = kLightGrey, c.tabStop = true;
    add(c);

    c = {};
    c.id = kTmrEffectUp, c.name = L"tmrEffectUp", c.kind = ControlKind::kTimer, c.interval = 10;
    add(c);

    c = {};
    c.id = kTmrEffectDown, c.name = L"tmrEffectDown", c.kind = ControlKind::kTimer;
    c.interval = 10;
    add(c);

    return form;
}

}  // namespace

const FormSpec& MainLayout() {
    static const FormSpec layout = BuildMainLayout();
    return layout;
}

}  // namespace zelvane
