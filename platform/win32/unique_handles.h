#pragma once
// Move-only owners of Win32 handles: each closes its handle in its destructor. put() frees
// what is held before handing out the address for a function to fill.

#include <windows.h>

#include <utility>

namespace nivaro::win32 {

// Traits name the handle type, its empty value and how it is closed.
template <class Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    void reset(Handle handle = Traits::Invalid()) noexcept
    {
        if (handle_ != Traits::Invalid()) {
            Traits::Close(handle_);
        }
        handle_ = handle;
    }
    Handle release() noexcept { return std::exchange(handle_, Traits::Invalid()); }
    Handle get() const { return handle_; }
    Handle* put()
    {
        reset();
        return &handle_;
    }
    explicit operator bool() const { return handle_ != Traits::Invalid(); }

private:
    Handle handle_ = Traits::Invalid();
};

template <class H, auto CloseFunction>
struct NullIsEmpty {
    using Handle = H;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { CloseFunction(h); }
};

// CreateFileW and FindFirstFileW answer INVALID_HANDLE_VALUE, not null, when they fail.
template <auto CloseFunction>
struct InvalidValueIsEmpty {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { CloseFunction(h); }
};

using UniqueKernelHandle = UniqueHandle<NullIsEmpty<HANDLE, ::CloseHandle>>;
using UniqueFile = UniqueHandle<InvalidValueIsEmpty<::CloseHandle>>;
using UniqueFind = UniqueHandle<InvalidValueIsEmpty<::FindClose>>;
using UniqueHkey = UniqueHandle<NullIsEmpty<HKEY, ::RegCloseKey>>;
using UniqueFont = UniqueHandle<NullIsEmpty<HFONT, ::DeleteObject>>;
using UniqueBrush = UniqueHandle<NullIsEmpty<HBRUSH, ::DeleteObject>>;
using UniqueBitmap = UniqueHandle<NullIsEmpty<HBITMAP, ::DeleteObject>>;
using UniqueIcon = UniqueHandle<NullIsEmpty<HICON, ::DestroyIcon>>;
using UniqueWindow = UniqueHandle<NullIsEmpty<HWND, ::DestroyWindow>>;
using UniqueHook = UniqueHandle<NullIsEmpty<HHOOK, ::UnhookWindowsHookEx>>;
using UniqueWinEventHook = UniqueHandle<NullIsEmpty<HWINEVENTHOOK, ::UnhookWinEvent>>;
using UniqueLocal = UniqueHandle<NullIsEmpty<HLOCAL, ::LocalFree>>;

}  // namespace nivaro::win32
