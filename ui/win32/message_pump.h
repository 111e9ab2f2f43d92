#pragma once
// The program's messages, handled as the main loop handles them: the dialog keys (Tab, Space,
// Enter) for the window first, then translation and dispatch.

#include <windows.h>

namespace nivaro::win32 {

void DispatchForWindow(HWND dialog, MSG& message);

// Handles every message waiting now, then returns. A quit message is put back for the main loop.
void PumpPendingMessages(HWND dialog);

// Pending messages handled at most once a frame. A folder run asks after every entry, and each
// look at the queue can be a round trip to the window server that costs as much as deleting a
// file; once a frame keeps the window as responsive as the eye can tell.
class PacedPump {
public:
    static constexpr ULONGLONG kFrameMilliseconds = 15;

    void Pump(HWND dialog);

private:
    ULONGLONG last_ = 0;
};

}  // namespace nivaro::win32
