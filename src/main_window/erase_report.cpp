#include "main_window/erase_report.h"

namespace zelvane {

namespace {

bool IsGone(long result) {
    return result == kErrorSuccess || result == kErrorFileNotFound || result == kErrorPathNotFound;
}

std::wstring Reason(long result) {
    switch (result) {
        case kErrorAccessDenied:
            return L"access is denied";
        case kErrorInvalidHandle:
            return L"the key could not be opened";
        default:
            return L"error " + std::to_wstring(result);
    }
}

}  // namespace

void EraseReport::Add(const AccountPlace& place, long result) {
    if (!IsGone(result)) failures_.push_back({place.shownAs, result});
}

void EraseReport::Show(Runtime& runtime) const {
    if (failures_.empty()) {
        runtime.MsgBox(L"Done!", vbInformation, L"Success");
        return;
    }
    std::wstring prompt = L"The UIN could not be erased from:\n";
    bool denied = false;
    for (const Failure& failure : failures_) {
        prompt += L"\n" + std::wstring(failure.place) + L" (" + Reason(failure.result) + L")";
        denied = denied || failure.result == kErrorAccessDenied;
    }
    if (denied) prompt += L"\n\nRun Zelvane as administrator to erase it there too.";
    runtime.MsgBox(prompt, vbExclamation, L"Not erased everywhere");
}

void ShowRefusal(Runtime& runtime, const std::wstring& uin) {
    runtime.MsgBox(L"\"" + uin +
                       L"\" is not a UIN. Type the account number alone: it cannot hold a "
                       L"backslash, a question mark or characters outside this system's code "
                       L"page.",
                   vbCritical, L"Input Error");
}

}  // namespace zelvane
