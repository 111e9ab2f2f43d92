#include "ui/win32/message_pump.h"

namespace nivaro::win32 {

void DispatchForWindow(HWND dialog, MSG& message)
{
    if (dialog != nullptr && ::IsDialogMessageW(dialog, &message)) {
        return;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
}

void PumpPendingMessages(HWND dialog)
{
    MSG message{};
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        DispatchForWindow(dialog, message);
    }
}

void PacedPump::Pump(HWND dialog)
{
    const ULONGLONG now = ::GetTickCount64();
    if (last_ != 0 && now - last_ < kFrameMilliseconds) {
        return;
    }
    last_ = now;
    PumpPendingMessages(dialog);
}

}  // namespace nivaro::win32
