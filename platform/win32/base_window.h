#pragma once
// A window class whose messages go to one handler of the C++ object that owns the window.

#include <windows.h>

namespace nivaro::win32 {

template <class Derived>
class BaseWindow {
public:
    HWND Window() const { return hwnd_; }

protected:
    BaseWindow() = default;
    BaseWindow(const BaseWindow&) = delete;
    BaseWindow& operator=(const BaseWindow&) = delete;
    ~BaseWindow() = default;

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
    {
        Derived* self = nullptr;
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
            self = static_cast<Derived*>(create->lpCreateParams);
            self->hwnd_ = hwnd;
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        } else {
            self = reinterpret_cast<Derived*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        }
        if (self == nullptr) {
            return ::DefWindowProcW(hwnd, message, wparam, lparam);
        }
        const LRESULT result = self->HandleMessage(message, wparam, lparam);
        if (message == WM_NCDESTROY) {
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            self->hwnd_ = nullptr;
        }
        return result;
    }

    HWND hwnd_ = nullptr;
};

}  // namespace nivaro::win32
