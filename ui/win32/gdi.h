#pragma once
// Scoped GDI state: a window's device context, a painting pass, and an object selected into a DC.

#include <windows.h>

#include "platform/win32/unique_handles.h"

namespace nivaro::win32 {

class WindowDc {
public:
    explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc()
    {
        if (dc_ != nullptr) {
            ::ReleaseDC(hwnd_, dc_);
        }
    }
    HDC get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

class PaintScope {
public:
    explicit PaintScope(HWND hwnd) : hwnd_(hwnd) { ::BeginPaint(hwnd_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    ~PaintScope() { ::EndPaint(hwnd_, &paint_); }
    HDC dc() const { return paint_.hdc; }

private:
    HWND hwnd_;
    PAINTSTRUCT paint_{};
};

class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() { ::SelectObject(dc_, previous_); }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A memory DC compatible with another, deleted with its owner.
class MemoryDc {
public:
    explicit MemoryDc(HDC compatible) : dc_(::CreateCompatibleDC(compatible)) {}
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    ~MemoryDc()
    {
        if (dc_ != nullptr) {
            ::DeleteDC(dc_);
        }
    }
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

using UniquePen = UniqueHandle<NullIsEmpty<HPEN, ::DeleteObject>>;

}  // namespace nivaro::win32
