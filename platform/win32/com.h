#pragma once
// COM ownership: a move-only interface pointer, BSTR and VARIANT owners, and the apartment of
// one thread.

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <shlobj.h>

#include <memory>
#include <string_view>
#include <utility>

namespace nivaro::win32 {

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

// Memory that COM hands over for the caller to free: a string, an array.
struct CoTaskMemFreer {
    void operator()(void* memory) const { ::CoTaskMemFree(memory); }
};
using CoTaskString = std::unique_ptr<wchar_t, CoTaskMemFreer>;

// An item ID list allocated by the shell.
class UniquePidl {
public:
    UniquePidl() = default;
    UniquePidl(UniquePidl&& other) noexcept : pidl_(std::exchange(other.pidl_, nullptr)) {}
    UniquePidl& operator=(UniquePidl&& other) noexcept
    {
        if (this != &other) {
            reset();
            pidl_ = std::exchange(other.pidl_, nullptr);
        }
        return *this;
    }
    UniquePidl(const UniquePidl&) = delete;
    UniquePidl& operator=(const UniquePidl&) = delete;
    ~UniquePidl() { reset(); }

    void reset() noexcept { ::CoTaskMemFree(std::exchange(pidl_, nullptr)); }
    LPITEMIDLIST get() const { return pidl_; }
    LPITEMIDLIST* put()
    {
        reset();
        return &pidl_;
    }

private:
    LPITEMIDLIST pidl_ = nullptr;
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

}  // namespace nivaro::win32
