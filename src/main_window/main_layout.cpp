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
    form.defaultButton = kCmdDelete;

    const FontSpec normal{L"Tahoma", 8.25f, false, 177};
    const FontSpec small{L"Tahoma", 6.75f, true, 177};

    const auto add = [&form](int id, std::wstring_view name, ControlKind kind, int parent,
                             TwipRect rect, std::wstring_view caption = {}) -> ControlSpec& {
        ControlSpec& c = form.controls.emplace_back();
        c.id = id, c.name = name, c.kind = kind, c.parent = parent, c.rect = rect;
        c.caption = caption;
        c.tabStop = kind == ControlKind::kTextBox || kind == ControlKind::kCommandButton ||
                    kind == ControlKind::kListBox;
        return c;
    };
    using enum ControlKind;

    add(kFrame1, L"Frame1", kFrame, kMainForm, {80, 0, 1855, 1375}).font = normal;
    add(kFrame2, L"Frame2", kFrame, kFrame1, {120, 120, 1620, 465});
    ControlSpec& uin = add(kTxtUIN, L"txtUIN", kTextBox, kFrame2, {480, 120, 1095, 285});
    uin.foreColour = kDarkGrey, uin.maxLength = 9;
    ControlSpec& label = add(kLabel1, L"Label1", kLabel, kFrame2, {60, 160, 375, 255}, L"UIN:");
    label.foreColour = kNavy, label.labelFor = kTxtUIN;
    add(kCmdDelete, L"cmdDelete", kCommandButton, kFrame1, {990, 740, 735, 255}, L"&Erase");
    add(kCmdAbout, L"cmdAbout", kCommandButton, kFrame1, {140, 740, 735, 255}, L"&About");
    add(kCommand1, L"Command1", kCommandButton, kFrame1, {140, 1040, 1590, 255}, L"v").spoken = {
        {L"v", L"Show accounts"}, {L"^", L"Hide accounts"}};
    // Line2 (grey) and Line1 (white, width 2) lie on the same coordinates: together they
    // draw one etched separator between the input box and the buttons.
    add(kLine1, L"Line1", kEtchedLine, kFrame1, {120, 690, 1600, 0});
    add(kFrame3, L"Frame3", kFrame, kMainForm, {80, 1360, 1855, 1300});
    ControlSpec& list = add(kList1, L"List1", kListBox, kFrame3, {60, 160, 1710, 1050});
    list.font = small, list.foreColour = kDarkGrey, list.backColour = kLightGrey;
    list.accessibleName = L"Accounts";
    add(kTmrEffectUp, L"tmrEffectUp", kTimer, kMainForm, {}).interval = 10;
    add(kTmrEffectDown, L"tmrEffectDown", kTimer, kMainForm, {}).interval = 10;

    return form;
}

}  // namespace

const FormSpec& MainLayout() {
    static const FormSpec layout = BuildMainLayout();
    return layout;
}

}  // namespace zelvane
