#include "about_window/about_layout.h"

namespace zelvane {

namespace {

constexpr std::uint32_t kDarkBlue = 0x800000;

// A label that looks like a link and opens its address when clicked.
ControlSpec Link(int id, std::wstring_view name, TwipRect rect, std::wstring_view caption) {
    return {.id = id,
            .name = name,
            .kind = ControlKind::kLabel,
            .parent = kAboutFrame1,
            .rect = rect,
            .caption = caption,
            .foreColour = kDarkBlue,
            .clickable = true,
            .upArrowPointer = true};
}

FormSpec BuildAboutLayout() {
    using enum ControlKind;
    return {
        .name = L"frmAbout",
        .caption = L"About",
        .border = BorderStyle::kFixedDialog,
        .clientWidth = 3660,
        .clientHeight = 1290,
        .iconResource = ZELVANE_FLOPPY_ICON,
        .controls = {
            {.id = kAboutFrame1, .name = L"Frame1", .kind = kFrame, .rect = {80, 0, 3495, 1215}},
            {.id = kMadeByLabel,
             .name = L"Label1(0)",
             .kind = kLabel,
             .parent = kAboutFrame1,
             .rect = {120, 180, 855, 255},
             .caption = L"Made By:"},
            {.id = kEmailLabel,
             .name = L"Label1(1)",
             .kind = kLabel,
             .parent = kAboutFrame1,
             .rect = {120, 400, 495, 255},
             .caption = L"Email:"},
            {.id = kUinLabel,
             .name = L"Label1(2)",
             .kind = kLabel,
             .parent = kAboutFrame1,
             .rect = {120, 885, 495, 255},
             .caption = L"ICQ#:"},
            {.id = kLabel2,
             .name = L"Label2",
             .kind = kLabel,
             .parent = kAboutFrame1,
             .rect = {960, 180, 2205, 255},
             .caption = kAuthorName,
             .foreColour = kDarkBlue},
            Link(kTxtcntctEmail, L"txtcntctEmail", {960, 405, 1815, 255}, kSecondEmail),
            Link(kTxtcntctUIN, L"txtcntctUIN", {960, 885, 855, 255}, kAuthorUin),
            Link(kLabel3, L"Label3", {960, 640, 1815, 255}, kFirstEmail),
        }};
}

}  // namespace

std::wstring WhitePagesAddress(const std::wstring& uin) {
    return L"http://" + std::wstring(kWhitePagesHost) + L"/whitepages/message_me/1,,,00.icq?uin=" +
           uin + L"&action=message";
}

const FormSpec& AboutLayout() {
    static const FormSpec layout = BuildAboutLayout();
    return layout;
}

}  // namespace zelvane
