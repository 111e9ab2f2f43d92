#include "platform/win32/win32_registry.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/win32/nt_api.h"
#include "platform/win32/unique_handles.h"

namespace nivaro::win32 {
namespace {

// Property sets keep a root as a signed 32-bit number; the predefined HKEYs are that number
// sign-extended to pointer width (HKEY_CURRENT_USER is 0xFFFFFFFF80000001 on 64-bit Windows).
HKEY RootKey(RegistryRoot root)
{
    return reinterpret_cast<HKEY>(static_cast<std::intptr_t>(root));
}

HKEY Hkey(const RegistryKey& key)
{
    return reinterpret_cast<HKEY>(key.get());
}

REGSAM Rights(KeyAccess access)
{
    constexpr REGSAM kRead = KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS;
    switch (access) {
    case KeyAccess::kQuery:
        break;
    case KeyAccess::kQueryAndSet:
        return kRead | KEY_SET_VALUE;
    case KeyAccess::kQuerySetAndDelete:
        return kRead | KEY_SET_VALUE | DELETE;
    }
    return kRead;
}

REGSAM ViewRights(RegistryView view)
{
    switch (view) {
    case RegistryView::kOwn:
        break;
    case RegistryView::k64:
        return KEY_WOW64_64KEY;
    case RegistryView::k32:
        return KEY_WOW64_32KEY;
    }
    return 0;
}

// Opens a key below `from` and hands it to `key`.
long Opened(RegistryApi& api, HKEY from, const std::wstring& path, DWORD options, REGSAM rights, RegistryKey& key)
{
    UniqueHkey opened;
    const LSTATUS status = ::RegOpenKeyExW(from, path.c_str(), options, rights, opened.put());
    if (status == ERROR_SUCCESS) {
        key = RegistryKey(api, reinterpret_cast<std::uintptr_t>(opened.release()));
    }
    return status;
}

// The wide registry functions read a name up to its first NUL; a name that holds one would
// address another value, so it is refused rather than cut short.
bool HoldsNul(std::wstring_view text)
{
    return text.find(L'\0') != std::wstring_view::npos;
}

DWORD ClampToDword(std::size_t count)
{
    return static_cast<DWORD>(std::min<std::size_t>(count, std::numeric_limits<DWORD>::max()));
}

}  // namespace

long Win32Registry::OpenKey(RegistryRoot root, std::wstring_view path, KeyAccess access, KeyLinks links,
                            RegistryKey& key)
{
    key.reset();
    if (HoldsNul(path)) {
        return ERROR_INVALID_PARAMETER;
    }
    const DWORD options = links == KeyLinks::kOpenLinkItself ? REG_OPTION_OPEN_LINK : 0;
    return Opened(*this, RootKey(root), std::wstring(path), options, Rights(access), key);
}

long Win32Registry::OpenSubkey(const RegistryKey& parent, std::wstring_view name, KeyAccess access, KeyLinks links,
                               RegistryKey& key)
{
    key.reset();
    if (name.empty() || HoldsNul(name) || name.find(L'\\') != std::wstring_view::npos) {
        return ERROR_INVALID_PARAMETER;
    }
    const DWORD options = links == KeyLinks::kOpenLinkItself ? REG_OPTION_OPEN_LINK : 0;
    return Opened(*this, Hkey(parent), std::wstring(name), options, Rights(access), key);
}

long Win32Registry::OpenKeyToRead(RegistryRoot root, std::wstring_view path, RegistryView view, RegistryKey& key)
{
    key.reset();
    if (HoldsNul(path)) {
        return ERROR_INVALID_PARAMETER;
    }
    return Opened(*this, RootKey(root), std::wstring(path), 0, Rights(KeyAccess::kQuery) | ViewRights(view), key);
}

// Through the handle itself: a key opened as a link goes as the link.
long Win32Registry::DeleteKey(const RegistryKey& key)
{
    const NTSTATUS status = ::NtDeleteKey(Hkey(key));
    return status == kStatusSuccess ? ERROR_SUCCESS : static_cast<long>(::RtlNtStatusToDosError(status));
}

long Win32Registry::CreateKey(RegistryRoot root, std::wstring_view path, RegistryKey& key)
{
    key.reset();
    if (HoldsNul(path)) {
        return ERROR_INVALID_PARAMETER;
    }
    UniqueHkey created;
    const LSTATUS status =
        ::RegCreateKeyExW(RootKey(root), std::wstring(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          Rights(KeyAccess::kQueryAndSet), nullptr, created.put(), nullptr);
    if (status == ERROR_SUCCESS) {
        key = RegistryKey(*this, reinterpret_cast<std::uintptr_t>(created.release()));
    }
    return status;
}

long Win32Registry::QueryInfoKey(const RegistryKey& key, KeyInfo& info)
{
    DWORD subkeys = 0;
    DWORD values = 0;
    DWORD maxValueNameChars = 0;
    DWORD maxValueDataBytes = 0;
    const LSTATUS status = ::RegQueryInfoKeyW(Hkey(key), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                              &values, &maxValueNameChars, &maxValueDataBytes, nullptr, nullptr);
    if (status == ERROR_SUCCESS) {
        info = {subkeys, values, maxValueNameChars, maxValueDataBytes};
    }
    return status;
}

long Win32Registry::EnumValueName(const RegistryKey& key, std::uint32_t index, std::span<wchar_t> buffer,
                                  std::uint32_t& nameChars)
{
    // With no name buffer and no data buffer RegEnumValueW answers success without a name, so an
    // empty buffer is replaced by one that merely has an address.
    wchar_t none[1] = {};
    wchar_t* name = buffer.empty() ? none : buffer.data();
    DWORD chars = ClampToDword(std::min<std::size_t>(nameChars, buffer.size()));
    // No type, data or size: the data need not fit, so a value whose data is large still names itself.
    const LSTATUS status = ::RegEnumValueW(Hkey(key), index, name, &chars, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_SUCCESS) {
        nameChars = chars;
    }
    return status;
}

long Win32Registry::EnumKeyName(const RegistryKey& key, std::uint32_t index, std::span<wchar_t> buffer,
                                std::uint32_t& nameChars)
{
    wchar_t none[1] = {};
    wchar_t* name = buffer.empty() ? none : buffer.data();
    DWORD chars = ClampToDword(std::min<std::size_t>(nameChars, buffer.size()));
    const LSTATUS status = ::RegEnumKeyExW(Hkey(key), index, name, &chars, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_SUCCESS) {
        nameChars = chars;
    }
    return status;
}

long Win32Registry::QueryValue(const RegistryKey& key, std::wstring_view name, std::uint32_t& type,
                               std::span<std::byte> data, std::uint32_t& size)
{
    if (HoldsNul(name)) {
        return ERROR_INVALID_PARAMETER;
    }
    DWORD valueType = REG_NONE;
    // The registry may write as much as it is told the buffer holds; it is never told more than the span.
    DWORD bytes = data.empty() ? 0 : ClampToDword(std::min<std::size_t>(size, data.size()));
    auto* buffer = data.empty() ? nullptr : reinterpret_cast<BYTE*>(data.data());
    const LSTATUS status = ::RegQueryValueExW(Hkey(key), std::wstring(name).c_str(), nullptr, &valueType, buffer, &bytes);
    if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
        type = valueType;
        size = bytes;
    }
    return status;
}

long Win32Registry::SetValue(const RegistryKey& key, std::wstring_view name, std::uint32_t type,
                             std::span<const std::byte> data)
{
    if (data.size() > std::numeric_limits<DWORD>::max() || HoldsNul(name)) {
        return ERROR_INVALID_PARAMETER;
    }
    // RegSetValueExW adds a NUL to string data that lacks one when the unit just past the data is
    // NUL: it reads past the caller's buffer to decide. So that exactly the given bytes are stored,
    // and nothing past them is read, string data goes through a copy followed by a unit that is not NUL.
    std::vector<std::byte> guarded;
    const std::byte* bytes = data.data();
    if (reg_type::IsString(type) && !data.empty()) {
        guarded.assign(data.begin(), data.end());
        guarded.insert(guarded.end(), sizeof(wchar_t) + 1, std::byte{0xFF});
        bytes = guarded.data();
    }
    return ::RegSetValueExW(Hkey(key), std::wstring(name).c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes),
                            static_cast<DWORD>(data.size()));
}

// The native call takes the name counted, so a name with an embedded NUL is deleted as itself.
long Win32Registry::DeleteValue(const RegistryKey& key, std::wstring_view name)
{
    if (name.size() > kMaxCountedChars / 2) {
        return ERROR_INVALID_PARAMETER;
    }
    UNICODE_STRING counted = Counted(name);
    const NTSTATUS status = ::NtDeleteValueKey(Hkey(key), &counted);
    return status == kStatusSuccess ? ERROR_SUCCESS : static_cast<long>(::RtlNtStatusToDosError(status));
}

// The native call, which names the key the handle is on, its links followed; its answer is a
// length in bytes followed by the name.
long Win32Registry::KeyName(const RegistryKey& key, std::wstring& name)
{
    std::vector<std::byte> buffer(512);
    for (int attempt = 0; attempt < 4; ++attempt) {
        ULONG needed = 0;
        const NTSTATUS status = ::NtQueryKey(Hkey(key), kKeyNameInformation, buffer.data(),
                                             static_cast<ULONG>(buffer.size()), &needed);
        if (status == kStatusSuccess) {
            ULONG bytes = 0;
            std::memcpy(&bytes, buffer.data(), sizeof(bytes));
            bytes = std::min<ULONG>(bytes, static_cast<ULONG>(buffer.size() - sizeof(ULONG)));
            name.assign(reinterpret_cast<const wchar_t*>(buffer.data() + sizeof(ULONG)), bytes / sizeof(wchar_t));
            return ERROR_SUCCESS;
        }
        if ((status != kStatusBufferOverflow && status != kStatusBufferTooSmall) || needed <= buffer.size()) {
            return static_cast<long>(::RtlNtStatusToDosError(status));
        }
        buffer.resize(needed);
    }
    return ERROR_MORE_DATA;
}

void Win32Registry::CloseKey(std::uintptr_t raw) noexcept
{
    ::RegCloseKey(reinterpret_cast<HKEY>(raw));
}

}  // namespace nivaro::win32

namespace nivaro {

std::unique_ptr<RegistryApi> MakeRegistry()
{
    return std::make_unique<win32::Win32Registry>();
}

}  // namespace nivaro
