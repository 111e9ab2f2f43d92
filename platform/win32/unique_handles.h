#pragma once
// Move-only owners of Win32 handles: each closes its handle in its destructor. put() frees
// what is held before handing out the address for a function to fill.

#include <windows.h>

#include <utility>

namespace nivaro::win32 {

template <class Handle, auto Close, Handle Invalid = Handle{}>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, Invalid)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other) {
            reset(std::exchange(other.handle_, Invalid));
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    void reset(Handle handle = Invalid) noexcept
    {
        if (handle_ != Invalid) {
            Close(handle_);
        }
        handle_ = handle;
    }
    Handle release() noexcept { return std::exchange(handle_, Invalid); }
    Handle get() const { return handle_; }
    Handle* put()
    {
        reset();
        return &handle_;
    }
    explicit operator bool() const { return handle_ != Invalid; }

private:
    Handle handle_ = Invalid;
};

namespace detail {
inline void CloseKernelHandle(HANDLE h) { ::CloseHandle(h); }
inline void CloseFind(HANDLE h) { ::FindClose(h); }
inline void CloseRegistryKey(HKEY h) { ::RegCloseKey(h); }
inline void DeleteGdiObject(HGDIOBJ h) { ::DeleteObject(h); }
inline void DeleteFontObject(HFONT h) { ::DeleteObject(h); }
inline void DeleteBrushObject(HBRUSH h) { ::DeleteObject(h); }
inline void DeleteBitmapObject(HBITMAP h) { ::DeleteObject(h); }
inline void DestroyIconHandle(HICON h) { ::DestroyIcon(h); }
inline void DestroyWindowHandle(HWND h) { ::DestroyWindow(h); }
inline void UnhookWindowsHook(HHOOK h) { ::UnhookWindowsHookEx(h); }
inline void UnhookWinEventHook(HWINEVENTHOOK h) { ::UnhookWinEvent(h); }
inline void FreeLocal(HLOCAL h) { ::LocalFree(h); }
}  // namespace detail

using UniqueKernelHandle = UniqueHandle<HANDLE, detail::CloseKernelHandle>;
// CreateFileW answers INVALID_HANDLE_VALUE, not null, when it fails.
using UniqueFile = UniqueHandle<HANDLE, detail::CloseKernelHandle, INVALID_HANDLE_VALUE>;
using UniqueFind = UniqueHandle<HANDLE, detail::CloseFind, INVALID_HANDLE_VALUE>;
using UniqueHkey = UniqueHandle<HKEY, detail::CloseRegistryKey>;
using UniqueFont = UniqueHandle<HFONT, detail::DeleteFontObject>;
using UniqueBrush = UniqueHandle<HBRUSH, detail::DeleteBrushObject>;
using UniqueBitmap = UniqueHandle<HBITMAP, detail::DeleteBitmapObject>;
using UniqueIcon = UniqueHandle<HICON, detail::DestroyIconHandle>;
using UniqueWindow = UniqueHandle<HWND, detail::DestroyWindowHandle>;
using UniqueHook = UniqueHandle<HHOOK, detail::UnhookWindowsHook>;
using UniqueWinEventHook = UniqueHandle<HWINEVENTHOOK, detail::UnhookWinEventHook>;
using UniqueLocal = UniqueHandle<HLOCAL, detail::FreeLocal>;

}  // namespace nivaro::win32
