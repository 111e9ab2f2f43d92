#pragma once
// The window of the other items: those of the catalogue that the main window does not show, as a
// checklist with what each would remove now, a preview of the checked items' targets, and a
// clean of them. It is reached from the main window's system menu and is modal to it.

#include <windows.h>

#include "main/catalogue.h"
#include "main/item_choices.h"
#include "platform/services.h"

namespace nivaro::win32 {

// Appends the entry that opens the window, after a separator, to `window`'s system menu. Its
// command is control_id::kOtherItemsCommand.
void AddItemsWindowEntry(HWND window);

// Shows the catalogue's other items in a window owned by `owner` and returns once it has closed.
// The owner takes no input meanwhile, as under a dialog, so that nothing it runs can overlap a
// clean of this window. Checking and clearing an item is remembered through `choices` at once.
// `notice`, when there is one, is shown where the targets are listed until a preview comes: what
// is wrong with the user's items file.
void ShowItemsWindow(HWND owner, const Catalogue& catalogue, const PlatformServices& services, ItemChoices& choices,
                     std::wstring_view notice = {});

}  // namespace nivaro::win32
