#include "about_window/about_window.h"

#include "about_window/about_layout.h"

namespace zelvane {

void AboutWindow::OnFirstEmailClick() {
    Open(L"mailto:" + std::wstring(kFirstEmail));
}

void AboutWindow::OnSecondEmailClick() {
    Open(L"mailto:" + std::wstring(kSecondEmail));
}

void AboutWindow::OnUinLinkClick() {
    Open(WhitePagesAddress(kAuthorUin));
}

// Hands the address to the program the shell has for it; a launch that fails (no mail
// program, no browser) is not the About window's to report.
void AboutWindow::Open(const std::wstring& address) {
    shell_.Open(address, L"C:\\", kShowNormal);
}

void AboutWindow::Raise(int control, FormEvent event) {
    if (event != FormEvent::kClick) return;
    switch (control) {
        case kFirstEmailLink:
            OnFirstEmailClick();
            break;
        case kSecondEmailLink:
            OnSecondEmailClick();
            break;
        case kUinLink:
            OnUinLinkClick();
            break;
        default:
            break;
    }
}

}  // namespace zelvane
