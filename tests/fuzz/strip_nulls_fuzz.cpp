// StripNulls returns the text before its first NUL, whatever the text.
#include <cstdlib>

#include "fuzz_text.h"
#include "registry_listing/account_listing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text = zelvane::FuzzText(data, size);
    const std::wstring stripped = zelvane::StripNulls(text);
    if (stripped.find(L'\0') != std::wstring::npos) std::abort();
    if (text.compare(0, stripped.size(), stripped) != 0) std::abort();
    if (stripped.size() < text.size() && text[stripped.size()] != L'\0') std::abort();
    return 0;
}
