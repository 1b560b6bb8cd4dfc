#include "main_window/erase_report.h"

#include <algorithm>

#include "platform/decimal.h"
#include "platform/strings.h"

namespace zelvane {

namespace {

bool SharedDenied(const PlaceOutcome& failure) {
    return failure.place.scope == PlaceScope::kShared && failure.result == kErrorAccessDenied;
}

// Why a place failed, in a few words for the sentence.
std::wstring Reason(const Messages& messages, long result) {
    const int id = result == kErrorAccessDenied    ? IDS_ACCESS_DENIED
                   : result == kErrorInvalidHandle ? IDS_KEY_NOT_OPENED
                   : result == kErrorRegistryLink  ? IDS_REGISTRY_LINK
                                                   : 0;
    return id != 0 ? messages.Text(id) : messages.Text(IDS_ERROR_CODE, {Decimal(result)});
}

}  // namespace

EraseReport::EraseReport(const std::vector<PlaceOutcome>& outcomes, const Registry& registry)
    : registry_(registry) {
    for (const PlaceOutcome& outcome : outcomes) {
        // Copied, then moved in: the erase fills its list so, and one instance serves both.
        if (outcome.result != kErrorSuccess && !IsNotThere(outcome.result)) {
            failures_.push_back(PlaceOutcome(outcome));
        }
    }
}

bool EraseReport::AdministratorCouldFinish() const {
    return std::any_of(failures_.begin(), failures_.end(), SharedDenied);
}

bool EraseReport::ShowAndAskForAdministrator(const Messages& messages,
                                             bool offerAdministrator) const {
    if (failures_.empty()) {
        messages.Show(messages.Text(IDS_DONE), kInformationIcon, IDS_SUCCESS_TITLE);
        return false;
    }
    std::wstring prompt = messages.Text(IDS_NOT_ERASED_FROM);
    prompt += L'\n';
    std::wstring ownPlaces;
    std::wstring shared;  // the shared places, for the offer to finish as administrator
    for (const PlaceOutcome& failure : failures_) {
        const std::wstring place = messages.LeftToRight(ShownAs(failure.place, registry_));
        std::wstring reason = Reason(messages, failure.result);
        if (failure.partly) reason = messages.Text(IDS_PARTLY_ERASED, {reason});
        prompt += L'\n';
        prompt += messages.Text(IDS_PLACE_FAILED, {place, reason});
        if (failure.place.scope == PlaceScope::kUser) {
            ownPlaces += L'\n';
            ownPlaces += place;
        } else {
            shared = shared.empty() ? place : messages.Text(IDS_AND, {shared, place});
        }
    }
    // The instance started as administrator erases the shared places alone: it may be
    // running as another user, whose own hive is not this one's.
    if (AdministratorCouldFinish() && !ownPlaces.empty()) {
        prompt += Joined({L"\n\n", messages.Text(IDS_OWN_KEYS_LEFT), ownPlaces});
    }
    if (offerAdministrator) {
        prompt += L"\n\n";
        prompt += messages.Text(IDS_OFFER_ADMINISTRATOR, {shared});
        return messages.Show(prompt, kYesNo + kExclamationIcon, IDS_NOT_ERASED_TITLE) == kAnswerYes;
    }
    if (AdministratorCouldFinish()) {
        prompt += L"\n\n";
        prompt += messages.Text(IDS_RUN_AS_ADMINISTRATOR);
    }
    messages.Show(prompt, kExclamationIcon, IDS_NOT_ERASED_TITLE);
    return false;
}

void ShowRefusal(const Messages& messages, const std::wstring& uin) {
    messages.Show(messages.Text(IDS_NOT_A_UIN, {messages.LeftToRight(uin)}), kCriticalIcon,
                  IDS_INPUT_ERROR_TITLE);
}

}  // namespace zelvane
