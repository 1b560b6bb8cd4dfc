#include "main_window/account_path.h"

namespace zelvane {

bool IsAccountName(std::wstring_view uin) {
    return !uin.empty() && uin.find_first_of(std::wstring_view(L"\\\0", 2)) == uin.npos;
}

}  // namespace zelvane
