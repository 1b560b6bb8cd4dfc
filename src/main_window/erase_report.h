#pragma once

#include <string>
#include <vector>

#include "account_erase/account_erase.h"
#include "main_window/messages.h"
#include "platform/registry.h"

namespace zelvane {

// What erasing one account did in each place, told to the user once all were tried.
class EraseReport {
  public:
    // Places are named as the registry they were erased in shows them.
    EraseReport(const std::vector<PlaceOutcome>& outcomes, const Registry& registry);

    // Whether the instance started as administrator would erase some of what is left: a
    // shared place (the only kind it erases) refused access.
    bool AdministratorCouldFinish() const;

    // Shows "Done!" when the key is gone everywhere (deleted, or never there); otherwise a
    // warning that names each place it could not be erased from, and why, and which of them
    // running as administrator cannot help with. With offerAdministrator the warning asks
    // whether to erase the shared places as administrator. True when the user said Yes to
    // that.
    bool ShowAndAskForAdministrator(const Messages& messages, bool offerAdministrator) const;

  private:
    std::vector<PlaceOutcome> failures_;
    const Registry& registry_;
};

// Tells the user why the text cannot be erased: it names no single account.
void ShowRefusal(const Messages& messages, const std::wstring& uin);

}  // namespace zelvane
