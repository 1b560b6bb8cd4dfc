#include "about_window/about_layout.h"

#include "platform/strings.h"

namespace zelvane {

namespace {

constexpr std::uint32_t kDarkBlue = 0x800000;

// A label that looks like a link and opens its address when clicked.
ControlSpec Link(int id, std::wstring_view name, TwipRect rect, std::wstring_view caption) {
    return {.id = id,
            .name = name,
            .kind = ControlKind::kLabel,
            .parent = kAboutFrame,
            .rect = rect,
            .caption = caption,
            .foreColor = kDarkBlue,
            .clickable = true,
            .upArrowPointer = true};
}

}  // namespace

FormSpec AboutLayout(const Strings& strings) {
    using enum ControlKind;
    return {.name = L"frmAbout",
            .caption = strings.Text(IDS_ABOUT_CAPTION),
            .border = BorderStyle::kFixedDialog,
            .clientWidth = 3660,
            .clientHeight = 1290,
            .iconResource = ZELVANE_FLOPPY_ICON,
            .rightToLeft = strings.RightToLeft(),
            .controls = {
                {.id = kAboutFrame, .name = L"Frame1", .kind = kFrame, .rect = {80, 0, 3495, 1215}},
                {.id = kMadeByCaption,
                 .name = L"Label1(0)",
                 .kind = kLabel,
                 .parent = kAboutFrame,
                 .rect = {120, 180, 855, 255},
                 .caption = strings.Text(IDS_MADE_BY)},
                {.id = kEmailCaption,
                 .name = L"Label1(1)",
                 .kind = kLabel,
                 .parent = kAboutFrame,
                 .rect = {120, 400, 495, 255},
                 .caption = strings.Text(IDS_EMAIL)},
                {.id = kUinCaption,
                 .name = L"Label1(2)",
                 .kind = kLabel,
                 .parent = kAboutFrame,
                 .rect = {120, 885, 495, 255},
                 .caption = strings.Text(IDS_UIN_CAPTION)},
                {.id = kAuthorLabel,
                 .name = L"Label2",
                 .kind = kLabel,
                 .parent = kAboutFrame,
                 .rect = {960, 180, 2205, 255},
                 .caption = kAuthorName,
                 .foreColor = kDarkBlue},
                Link(kSecondEmailLink, L"txtcntctEmail", {960, 405, 1815, 255}, kSecondEmail),
                Link(kUinLink, L"txtcntctUIN", {960, 885, 855, 255}, kAuthorUin),
                Link(kFirstEmailLink, L"Label3", {960, 640, 1815, 255}, kFirstEmail),
            }};
}

std::wstring WhitePagesAddress(const std::wstring& uin) {
    return Joined({L"http://", kWhitePagesHost, L"/whitepages/message_me/1,,,00.icq?uin=", uin,
                   L"&action=message"});
}

}  // namespace zelvane
