#pragma once

#include <cstdint>
#include <string>

#include "platform/controls.h"
#include "platform/registry.h"
#include "platform/runtime.h"

namespace zelvane {

// Code shared between the windows: the only procedures that read the registry.
class Module1 {
  public:
    Module1(Registry& registry, Runtime& runtime) : registry_(registry), runtime_(runtime) {}

    // Appends the names of all direct subkeys of root\path to the list, in the order the
    // registry enumerates them. Never clears the list. A key that cannot be opened adds
    // nothing; the listing ends silently at the first enumeration that fails.
    void ListAccounts(std::int32_t root, const std::wstring& path, ListBox& list);

  private:
    Registry& registry_;
    Runtime& runtime_;
};

// The text up to, not including, its first U+0000; the whole text when it holds none.
std::wstring StripNulls(const std::wstring& text);

}  // namespace zelvane
