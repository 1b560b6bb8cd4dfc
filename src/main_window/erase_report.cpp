#include "main_window/erase_report.h"

#include <algorithm>

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
    if (!IsGone(result)) failures_.push_back({&place, result});
}

bool EraseReport::AdministratorCouldFinish() const {
    const auto denied = [](const Failure& f) { return f.result == kErrorAccessDenied; };
    const auto shared = [](const Failure& f) { return !f.place->userHive; };
    return !failures_.empty() && std::all_of(failures_.begin(), failures_.end(), denied) &&
           std::any_of(failures_.begin(), failures_.end(), shared);
}

bool EraseReport::Show(Runtime& runtime, bool offerAdministrator) const {
    if (failures_.empty()) {
        runtime.MsgBox(L"Done!", kInformationIcon, L"Success");
        return false;
    }
    std::wstring prompt = L"The UIN could not be erased from:\n";
    bool denied = false;
    for (const Failure& failure : failures_) {
        prompt +=
            L"\n" + std::wstring(failure.place->shownAs) + L" (" + Reason(failure.result) + L")";
        denied = denied || failure.result == kErrorAccessDenied;
    }
    if (offerAdministrator) {
        prompt += L"\n\nErase it there as administrator?";
        return runtime.MsgBox(prompt, kYesNo + kExclamationIcon, L"Not erased everywhere") ==
               kAnswerYes;
    }
    if (denied) prompt += L"\n\nRun Zelvane as administrator to erase it there too.";
    runtime.MsgBox(prompt, kExclamationIcon, L"Not erased everywhere");
    return false;
}

void ShowRefusal(Runtime& runtime, const std::wstring& uin) {
    runtime.MsgBox(L"\"" + uin +
                       L"\" is not a UIN. Type the account number alone: it cannot hold a "
                       L"backslash.",
                   kCriticalIcon, L"Input Error");
}

}  // namespace zelvane
