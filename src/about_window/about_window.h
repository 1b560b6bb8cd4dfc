#pragma once

#include "platform/controls.h"
#include "platform/form_layout.h"
#include "platform/shell.h"

namespace zelvane {

// The About window: names the program's makers and opens their contact addresses.
class AboutWindow : public FormEvents {
  public:
    AboutWindow(Form& form, Shell& shell) : form_(form), shell_(shell) {}

    // Shows the window modeless, owned like every form by the program's hidden window.
    void Show() { form_.Show(); }

    void OnFirstEmailClick();
    void OnSecondEmailClick();
    void OnUinLinkClick();

    void Raise(int control, FormEvent event) override;

  private:
    Form& form_;
    Shell& shell_;
};

}  // namespace zelvane
