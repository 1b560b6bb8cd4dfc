#include "about_window/about_layout.h"

namespace zelvane {

namespace {

constexpr std::uint32_t kDarkBlue = 0x800000;

ControlSpec Label(int id, std::wstring_view name, TwipRect rect, std::wstring_view caption) {
    ControlSpec c;
    c.id = id, c.name = name, c.kind = ControlKind::kLabel, c.parent = kAboutFrame1;
    c.rect = rect, c.caption = caption;
    return c;
}

// A label that looks like a link and opens its address when clicked.
ControlSpec Link(int id, std::wstring_view name, TwipRect rect, std::wstring_view caption) {
    ControlSpec c = Label(id, name, rect, caption);
    c.foreColour = kDarkBlue, c.clickable = true, c.upArrowPointer = true;
    return c;
}

FormSpec BuildAboutLayout() {
    FormSpec form;
    form.name = L"frmAbout";
    form.caption = L"About";
    form.border = BorderStyle::kFixedDialog;
    form.clientWidth = 3660;
    form.clientHeight = 1290;
    form.iconResource = kFloppyIcon;

    ControlSpec frame;
    frame.id = kAboutFrame1, frame.name = L"Frame1", frame.kind = ControlKind::kFrame;
    frame.rect = {80, 0, 3495, 1215};
    form.controls.push_back(frame);

    form.controls.push_back(Label(kMadeByLabel, L"Label1(0)", {120, 180, 855, 255}, L"Made By:"));
    form.controls.push_back(Label(kEmailLabel, L"Label1(1)", {120, 400, 495, 255}, L"Email:"));
    form.controls.push_back(Label(kUinLabel, L"Label1(2)", {120, 885, 495, 255}, L"ICQ#:"));
    ControlSpec author = Label(kLabel2, L"Label2", {960, 180, 2205, 255}, kAuthorName);
    author.foreColour = kDarkBlue;
    form.controls.push_back(author);
    form.controls.push_back(
        Link(kTxtcntctEmail, L"txtcntctEmail", {960, 405, 1815, 255}, kSecondEmail));
    form.controls.push_back(Link(kTxtcntctUIN, L"txtcntctUIN", {960, 885, 855, 255}, kAuthorUin));
    form.controls.push_back(Link(kLabel3, L"Label3", {960, 640, 1815, 255}, kFirstEmail));
    return form;
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
