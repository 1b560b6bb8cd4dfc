#pragma once

#include <string>
#include <vector>

#include "main_window/account_path.h"
#include "platform/runtime.h"

namespace zelvane {

// What erasing one account did in each place, told to the user once all were tried.
class EraseReport {
  public:
    // The result code of deleting the account's key in one place.
    void Add(const AccountPlace& place, long result);

    // Whether an instance started as administrator could erase what is left: every place
    // that failed refused access, and one of them lies outside the user's own hive.
    bool AdministratorCouldFinish() const;

    // "Done!" when the key is gone everywhere (deleted, or never there); otherwise a
    // warning that names each place it could not be erased from, and why. With
    // offerAdministrator the warning asks whether to erase those places as administrator;
    // returns true when the user said Yes.
    bool Show(Runtime& runtime, bool offerAdministrator) const;

  private:
    struct Failure {
        const AccountPlace* place;
        long result;
    };
    std::vector<Failure> failures_;
};

// Tells the user why the text cannot be erased: it names no single account.
void ShowRefusal(Runtime& runtime, const std::wstring& uin);

}  // namespace zelvane
