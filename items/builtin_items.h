#pragma once
// The traces that Windows itself keeps of what the user did, as built-in items beside the main
// window's six: Explorer's Run box, address bar and search box, the Open and Save dialogs, the
// Recent items, the jump lists and the temporary files. Never recursive; a key is never deleted,
// only values.

#include <vector>

#include "items/item_definition.h"

namespace nivaro {

inline constexpr std::wstring_view kWindowsGroup = L"Windows";

// In the order the command line lists them.
const std::vector<ItemDefinition>& BuiltinItems();

}  // namespace nivaro
