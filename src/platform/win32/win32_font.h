#pragma once

#include <vector>

#include <windows.h>

#include "platform/form_layout.h"

namespace zelvane {

// A font of the layout at the given DPI. When the system has no face of that name in the
// requested character set, it maps the request to another face; the font is then made
// again in the default character set, keeping the face the designer chose.
HFONT CreateLayoutFont(const FontSpec& wanted, int dpi);

// The fonts of one window, made once per distinct FontSpec and deleted together after the
// window's controls are gone.
class FontSet {
  public:
    FontSet() = default;
    FontSet(const FontSet&) = delete;
    FontSet& operator=(const FontSet&) = delete;
    ~FontSet() { Clear(); }

    HFONT Get(const FontSpec& wanted, int dpi);
    void Clear();

  private:
    struct Entry {
        FontSpec wanted;
        int dpi;
        HFONT font;
    };
    std::vector<Entry> fonts_;
};

}  // namespace zelvane
