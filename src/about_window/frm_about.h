#pragma once

#include <string>

#include "platform/controls.h"
#include "platform/form_layout.h"
#include "platform/shell.h"

namespace zelvane {

// The About window: names the program's makers and opens their contact addresses.
class frmAbout : public FormEvents {
  public:
    frmAbout(Form& form, Shell& shell) : form_(form), shell_(shell) {}

    // Shows the window modeless, without an owner.
    void Show() { form_.Show(); }

    void Label3_Click();
    void txtcntctEmail_Click();
    void txtcntctUIN_Click();

    void Raise(int control, FormEvent event) override;

  private:
    void Open(const std::wstring& address);

    Form& form_;
    Shell& shell_;
};

}  // namespace zelvane
