#pragma once
// The program's messages, handled as the main loop handles them: the dialog keys (Tab, Space,
// Enter) for the window first, then translation and dispatch.

#include <windows.h>

namespace nivaro::win32 {

void DispatchForWindow(HWND dialog, MSG& message);

// Handles every message waiting now, then returns. A quit message is put back for the main loop.
void PumpPendingMessages(HWND dialog);

}  // namespace nivaro::win32
