#include "platform/win32/win32_error.h"

#include "platform/win32/unique_handles.h"

namespace nivaro::win32 {

std::wstring SystemMessage(DWORD code)
{
    UniqueLocal buffer;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
        reinterpret_cast<LPWSTR>(buffer.put()), 0, nullptr);
    if (length == 0) {
        return L"Error " + std::to_wstring(code);
    }
    std::wstring text(static_cast<const wchar_t*>(buffer.get()), length);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
        text.pop_back();
    }
    return text;
}

Error Win32Error(DWORD code)
{
    return {static_cast<std::int32_t>(code), SystemMessage(code)};
}

Error LastError()
{
    return Win32Error(::GetLastError());
}

Error HresultError(HRESULT result)
{
    return {static_cast<std::int32_t>(result), SystemMessage(static_cast<DWORD>(result))};
}

}  // namespace nivaro::win32
