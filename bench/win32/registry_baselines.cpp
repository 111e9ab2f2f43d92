#include "bench/win32/registry_baselines.h"

#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/unique_handles.h"

namespace nivaro::win32::bench {

bool CreateVolatileKey(std::wstring_view path)
{
    UniqueHkey key;
    return ::RegCreateKeyExW(HKEY_CURRENT_USER, std::wstring(path).c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                             KEY_QUERY_VALUE, nullptr, key.put(), nullptr) == ERROR_SUCCESS;
}

std::size_t DeleteValuesWithRawLoop(std::wstring_view path)
{
    UniqueHkey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, std::wstring(path).c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        key.put()) != ERROR_SUCCESS) {
        return 0;
    }
    DWORD count = 0;
    DWORD longestName = 0;
    if (::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longestName,
                           nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        return 0;
    }
    std::vector<std::wstring> names;
    names.reserve(count);
    std::vector<wchar_t> buffer(longestName + 1);
    for (DWORD index = 0;; ++index) {
        auto chars = static_cast<DWORD>(buffer.size());
        if (::RegEnumValueW(key.get(), index, buffer.data(), &chars, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(buffer.data(), chars);
    }
    std::size_t deleted = 0;
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        deleted += ::RegDeleteValueW(key.get(), name->c_str()) == ERROR_SUCCESS ? 1 : 0;
    }
    return deleted;
}

void DeleteKeyTree(std::wstring_view path)
{
    ::RegDeleteTreeW(HKEY_CURRENT_USER, std::wstring(path).c_str());
}

}  // namespace nivaro::win32::bench
