#include "about_window/about_window.h"

#include "about_window/about_layout.h"

namespace zelvane {

// A launch that fails (no mail program, no browser) is not the About window's to report.
void AboutWindow::OnFirstEmailClick() {
    shell_.Open(L"mailto:" + std::wstring(kFirstEmail));
}

void AboutWindow::OnSecondEmailClick() {
    shell_.Open(L"mailto:" + std::wstring(kSecondEmail));
}

void AboutWindow::OnUinLinkClick() {
    shell_.Open(WhitePagesAddress(kAuthorUin));
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
