#pragma once
// The screen's DPI as the window tests set it for the programs they start, and twips at a DPI.

#include <windows.h>

#include "platform/geometry.h"
#include "platform/win32/unique_handles.h"

namespace nivaro::win32::testing {

inline RECT Pixels(const TwipRect& r, int dpi)
{
    const auto px = [dpi](int twips) { return ::MulDiv(twips, dpi, 1440); };
    return {px(r.left), px(r.top), px(r.left) + px(r.width), px(r.top) + px(r.height)};
}

// The screen's DPI for the programs started while it lives; the previous setting comes back after.
class ScreenDpi {
public:
    explicit ScreenDpi(DWORD dpi)
    {
        ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                          nullptr, key_.put(), nullptr);
        DWORD size = sizeof(previous_);
        hadValue_ = ::RegQueryValueExW(key_.get(), L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&previous_),
                                       &size) == ERROR_SUCCESS;
        ::RegSetValueExW(key_.get(), L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof(dpi));
    }
    ScreenDpi(const ScreenDpi&) = delete;
    ScreenDpi& operator=(const ScreenDpi&) = delete;
    ~ScreenDpi()
    {
        if (hadValue_) {
            ::RegSetValueExW(key_.get(), L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&previous_),
                             sizeof(previous_));
        } else {
            ::RegDeleteValueW(key_.get(), L"LogPixels");
        }
    }

private:
    UniqueHkey key_;
    DWORD previous_ = 0;
    bool hadValue_ = false;
};

}  // namespace nivaro::win32::testing
