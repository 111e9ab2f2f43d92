#pragma once
// A window class whose messages go to one handler of the C++ object that owns the window.

#include <windows.h>

namespace nivaro::win32 {

// The program's own module, which holds its windows' classes and its resources.
inline HINSTANCE Instance()
{
    return ::GetModuleHandleW(nullptr);
}

template <class Derived>
class BaseWindow {
public:
    HWND Window() const { return hwnd_; }

protected:
    BaseWindow() = default;
    BaseWindow(const BaseWindow&) = delete;
    BaseWindow& operator=(const BaseWindow&) = delete;
    ~BaseWindow() = default;

    // Registers the class of Derived's windows the first time it is asked; 0 when it cannot be.
    static ATOM RegisterWindowClass(const wchar_t* className, HICON icon = nullptr)
    {
        static const ATOM registered = [&] {
            WNDCLASSEXW windowClass{};
            windowClass.cbSize = sizeof(windowClass);
            windowClass.lpfnWndProc = &BaseWindow::WindowProc;
            windowClass.hInstance = Instance();
            windowClass.hIcon = icon;
            windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
            windowClass.lpszClassName = className;
            return ::RegisterClassExW(&windowClass);
        }();
        return registered;
    }

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

// What both windows do alike with two messages: fill the client area with the window's background
// (WM_ERASEBKGND), and take the place the system suggests for a new DPI at the size the window's
// layout has there (WM_DPICHANGED).
inline LRESULT FillClientBackground(HWND window, HDC dc, HBRUSH brush)
{
    RECT client{};
    ::GetClientRect(window, &client);
    ::FillRect(dc, &client, brush);
    return 1;
}

inline void MoveToSuggestedPlace(HWND window, const RECT& suggested, SIZE size)
{
    ::SetWindowPos(window, nullptr, suggested.left, suggested.top, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace nivaro::win32
