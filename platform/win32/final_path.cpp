#include "platform/win32/final_path.h"

#include <cstddef>
#include <vector>

#include "platform/win32/nt_api.h"

namespace nivaro::win32 {

std::optional<std::wstring> ObjectName(HANDLE handle)
{
    std::vector<std::byte> buffer(1024);
    for (;;) {
        ULONG needed = 0;
        const NTSTATUS status = ::NtQueryObject(handle, ObjectNameInformation, buffer.data(),
                                                static_cast<ULONG>(buffer.size()), &needed);
        if (status == kStatusSuccess) {
            const auto* name = reinterpret_cast<const UNICODE_STRING*>(buffer.data());
            return std::wstring(name->Buffer, name->Length / sizeof(wchar_t));
        }
        if (needed <= buffer.size() || buffer.size() > 0x20000) {
            return std::nullopt;
        }
        buffer.resize(needed);
    }
}

std::optional<std::wstring> DisplayPath(HANDLE handle, const std::wstring& objectName)
{
    std::wstring path(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD written = ::GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()),
                                                          FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (written == 0) {
            break;
        }
        if (written < path.size()) {
            path.resize(written);
            return path;
        }
        path.resize(written);  // the size it needs, with its NUL
    }
    if (objectName.starts_with(L"\\??\\")) {
        return L"\\\\?\\" + objectName.substr(4);
    }
    return std::nullopt;
}

std::wstring Readable(std::wstring_view final)
{
    if (final.starts_with(L"\\\\?\\UNC\\")) {
        return L"\\\\" + std::wstring(final.substr(8));
    }
    if (final.starts_with(L"\\\\?\\") && final.size() >= 6 && final[5] == L':') {
        return std::wstring(final.substr(4));
    }
    return std::wstring(final);
}

std::size_t RootLength(std::wstring_view final)
{
    constexpr auto npos = std::wstring_view::npos;
    if (!final.starts_with(L"\\\\?\\")) {
        return npos;
    }
    std::size_t end = npos;
    if (final.starts_with(L"\\\\?\\UNC\\")) {
        const std::size_t server = final.find(L'\\', 8);  // the server's name ends here, the share's next
        end = server == npos ? npos : final.find(L'\\', server + 1);
    } else {
        end = final.find(L'\\', 4);
    }
    return end == npos ? npos : end + 1;
}

}  // namespace nivaro::win32
