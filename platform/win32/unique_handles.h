#pragma once
// Every owner of a Win32 resource, in one place: kernel, registry, GDI and window handles, memory
// the system hands out, COM interfaces, strings and variants, the COM apartment, and the scoped
// GDI state of a painting pass. Each is move-only or fixed in place, and gives back what it holds
// in its destructor. put() frees what is held before handing out the address for a function to
// fill.

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <shlobj.h>

#include <string_view>
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
using UniqueModule = UniqueHandle<NullIsEmpty<HMODULE, ::FreeLibrary>>;
using UniquePen = UniqueHandle<NullIsEmpty<HPEN, ::DeleteObject>>;
using UniqueMenu = UniqueHandle<NullIsEmpty<HMENU, ::DestroyMenu>>;
// Memory that COM and the shell hand out (CoTaskMemAlloc): an item ID list, a string.
using UniquePidl = UniqueHandle<NullIsEmpty<LPITEMIDLIST, ::CoTaskMemFree>>;
using UniqueCoTaskString = UniqueHandle<NullIsEmpty<wchar_t*, ::CoTaskMemFree>>;

// --- COM ----------------------------------------------------------------------------------

template <class Interface>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other) {
            reset();
            ptr_ = std::exchange(other.ptr_, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { reset(); }

    void reset() noexcept
    {
        if (ptr_ != nullptr) {
            std::exchange(ptr_, nullptr)->Release();
        }
    }
    Interface* get() const { return ptr_; }
    Interface* operator->() const { return ptr_; }
    Interface** put()
    {
        reset();
        return &ptr_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }
    explicit operator bool() const { return ptr_ != nullptr; }

    template <class Other>
    ComPtr<Other> query() const
    {
        ComPtr<Other> other;
        if (ptr_ != nullptr) {
            ptr_->QueryInterface(__uuidof(Other), other.put_void());
        }
        return other;
    }

private:
    Interface* ptr_ = nullptr;
};

class UniqueBstr {
public:
    UniqueBstr() = default;
    explicit UniqueBstr(std::wstring_view text)
        : bstr_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())))
    {
    }
    UniqueBstr(UniqueBstr&& other) noexcept : bstr_(std::exchange(other.bstr_, nullptr)) {}
    UniqueBstr& operator=(UniqueBstr&& other) noexcept
    {
        if (this != &other) {
            reset();
            bstr_ = std::exchange(other.bstr_, nullptr);
        }
        return *this;
    }
    UniqueBstr(const UniqueBstr&) = delete;
    UniqueBstr& operator=(const UniqueBstr&) = delete;
    ~UniqueBstr() { reset(); }

    void reset() noexcept { ::SysFreeString(std::exchange(bstr_, nullptr)); }
    BSTR get() const { return bstr_; }
    BSTR* put()
    {
        reset();
        return &bstr_;
    }
    std::wstring_view view() const { return bstr_ ? std::wstring_view(bstr_, ::SysStringLen(bstr_)) : std::wstring_view(); }

private:
    BSTR bstr_ = nullptr;
};

class UniqueVariant {
public:
    UniqueVariant() { ::VariantInit(&value_); }
    // A VT_BSTR variant holding a copy of the text.
    explicit UniqueVariant(std::wstring_view text) : UniqueVariant()
    {
        value_.vt = VT_BSTR;
        value_.bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    }
    UniqueVariant(UniqueVariant&&) = delete;
    UniqueVariant& operator=(UniqueVariant&&) = delete;
    ~UniqueVariant() { ::VariantClear(&value_); }

    VARIANT& get() { return value_; }
    const VARIANT& get() const { return value_; }
    VARIANT* put()
    {
        ::VariantClear(&value_);
        return &value_;
    }

private:
    VARIANT value_;
};

// The COM apartment of the calling thread, for as long as the owner lives.
class ComApartment {
public:
    explicit ComApartment(DWORD model = COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)
        : result_(::CoInitializeEx(nullptr, model))
    {
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment()
    {
        if (SUCCEEDED(result_)) {
            ::CoUninitialize();
        }
    }
    HRESULT result() const { return result_; }

private:
    HRESULT result_;
};

// --- Scoped GDI state: a window's device context, a painting pass, an object selected into a DC

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

}  // namespace nivaro::win32
