#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace zelvane {

// The reading of the registry that lists accounts, for the window's list and the command line.
class AccountListing {
  public:
    explicit AccountListing(Registry& registry) : registry_(registry) {}

    // Appends the names of all direct subkeys of root\path to names, exactly as the
    // registry holds them, in the order it enumerates them. A name
    // that holds a NUL is left out: no text could name that key again. A key that cannot be
    // opened adds nothing; the listing ends at the first enumeration that fails. Returns
    // what stopped it short: the open's result, the failed enumeration's, the watch's that
    // could not be set (the names may then lack one), kErrorChangedWhileRead when subkeys
    // kept coming or going while it was read; 0 when every name was read. links says whether
    // a link on the path is followed (Registry::OpenKey).
    long ListAccounts(std::int32_t root, const std::wstring& path, std::vector<std::wstring>& names,
                      RegistryView view = RegistryView::kNative,
                      LinkRule links = LinkRule::kFollowAboveAccount);

  private:
    long ReadNames(RegKey key, std::vector<std::wstring>& names);

    Registry& registry_;
};

// The text up to, not including, its first U+0000; the whole text when it holds none.
std::wstring StripNulls(const std::wstring& text);

}  // namespace zelvane
