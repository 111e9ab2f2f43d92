#include "platform/win32/top_level_window_refusal.h"

namespace nivaro::win32 {
namespace {

LRESULT CALLBACK RefuseTopLevelWindows(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        const auto* creation = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
        if ((creation->lpcs->style & WS_CHILD) == 0) {
            return 1;  // nonzero: the window is not created
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

TopLevelWindowRefusal::TopLevelWindowRefusal()
    : hook_(::SetWindowsHookExW(WH_CBT, RefuseTopLevelWindows, nullptr, ::GetCurrentThreadId()))
{
}

}  // namespace nivaro::win32
