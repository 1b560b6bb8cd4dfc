#include "main_window/account_path.h"

namespace zelvane {

std::optional<std::string> AccountKeyPath(const AccountPlace& place, std::wstring_view uin,
                                          const Runtime& runtime) {
    if (uin.empty() || uin.find_first_of(std::wstring_view(L"\\?\0", 3)) != uin.npos) {
        return std::nullopt;
    }
    std::wstring path(place.prefix);
    path += uin;
    AnsiText ansi = runtime.StrToAnsi(path);
    if (!ansi.exact) return std::nullopt;
    return std::move(ansi.bytes);
}

}  // namespace zelvane
