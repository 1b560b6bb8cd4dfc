#include "main_window/erase_report.h"

#include <algorithm>

namespace zelvane {

namespace {

bool SharedDenied(const PlaceOutcome& failure) {
    return failure.place.scope == PlaceScope::kShared && failure.result == kErrorAccessDenied;
}

}  // namespace

EraseReport::EraseReport(const std::vector<PlaceOutcome>& outcomes, const Registry& registry)
    : registry_(registry) {
    for (const PlaceOutcome& outcome : outcomes) {
        if (outcome.result != kErrorSuccess && !IsNotThere(outcome.result))
            failures_.push_back(outcome);
    }
}

bool EraseReport::AdministratorCouldFinish() const {
    return std::any_of(failures_.begin(), failures_.end(), SharedDenied);
}

bool EraseReport::Show(Runtime& runtime, bool offerAdministrator) const {
    if (failures_.empty()) {
        runtime.MsgBox(L"Done!", kInformationIcon, L"Success");
        return false;
    }
    std::wstring prompt = L"The UIN could not be erased from:\n";
    std::wstring ownPlaces;
    for (const PlaceOutcome& failure : failures_) {
        prompt += L"\n" + ShownAs(failure.place, registry_) + L" (" +
                  (failure.partly ? L"partly erased, " : L"") + Reason(failure.result) + L")";
        if (failure.place.scope == PlaceScope::kUser)
            ownPlaces += L"\n" + ShownAs(failure.place, registry_);
    }
    // The instance started as administrator erases the shared places alone: it may be
    // running as another user, whose own hive is not this one's.
    if (AdministratorCouldFinish() && !ownPlaces.empty()) {
        prompt += L"\n\nRunning as administrator cannot erase it from your own keys:" + ownPlaces;
    }
    if (offerAdministrator) {
        prompt += L"\n\nErase it from ";
        bool first = true;
        for (const PlaceOutcome& failure : failures_) {
            if (failure.place.scope != PlaceScope::kShared) continue;
            prompt += (first ? L"" : L" and ") + ShownAs(failure.place, registry_);
            first = false;
        }
        prompt += L" as administrator?";
        return runtime.MsgBox(prompt, kYesNo + kExclamationIcon, L"Not erased everywhere") ==
               kAnswerYes;
    }
    if (AdministratorCouldFinish()) {
        prompt +=
            L"\n\nRun Zelvane as administrator to erase it from the places every user shares.";
    }
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
