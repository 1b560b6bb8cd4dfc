#include "about_window/frm_about.h"

#include "about_window/about_layout.h"

namespace zelvane {

void frmAbout::Label3_Click() {
    Open(L"mailto:" + std::wstring(kFirstEmail));
}

void frmAbout::txtcntctEmail_Click() {
    Open(L"mailto:" + std::wstring(kSecondEmail));
}

void frmAbout::txtcntctUIN_Click() {
    Open(WhitePagesAddress(kAuthorUin));
}

// Hands the address to the program the shell has for it; a launch that fails (no mail
// program, no browser) is not the About window's to report.
void frmAbout::Open(const std::wstring& address) {
    shell_.Open(form_.hWnd(), address, L"C:\\", kShowNormal);
}

void frmAbout::Raise(int control, FormEvent event) {
    if (event != FormEvent::kClick) return;
    switch (control) {
        case kLabel3:
            Label3_Click();
            break;
        case kTxtcntctEmail:
            txtcntctEmail_Click();
            break;
        case kTxtcntctUIN:
            txtcntctUIN_Click();
            break;
        default:
            break;
    }
}

}  // namespace zelvane
