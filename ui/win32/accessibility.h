#pragma once
// What a control tells assistive technology beyond what it shows: a name of its own, and that a
// change of its text is to be announced.

#include <windows.h>

#include <functional>
#include <string>

namespace nivaro::win32 {

// Gives a control the name a screen reader reads for it, asked anew each time, without changing
// what the control shows. The control answers WM_GETOBJECT for its client area with the system's
// own accessible object for it, which says this name and otherwise all that it would have said.
void NameForAssistiveTechnology(HWND control, std::function<std::wstring()> name);

// Marks a control whose text says how something is going as a polite live region: a screen
// reader reads its changes without moving the user's focus.
void MarkAsLiveRegion(HWND control);
// Tells assistive technology that a live region's text has changed.
void AnnounceChange(HWND control);

}  // namespace nivaro::win32
