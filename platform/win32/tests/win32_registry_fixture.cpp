// Links, denials and counted names, made through the native API and the key's security.

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <atomic>
#include <vector>

#include "platform/utf16.h"
#include "platform/win32/nt_api.h"
#include "platform/win32/unique_handles.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/registry_values.h"

extern "C" {
NTSTATUS NTAPI NtCreateKey(PHANDLE key, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes, ULONG titleIndex,
                           PUNICODE_STRING keyClass, ULONG options, PULONG disposition);
NTSTATUS NTAPI NtDeleteKey(HANDLE key);
}

namespace nivaro {
namespace {

using win32::UniqueHkey;
using win32::UniqueLocal;

// The key's name as the native API writes it: \REGISTRY\User\<sid>\Software\...
std::wstring NativeName(HKEY key)
{
    std::vector<std::byte> buffer(4096);
    ULONG length = 0;
    if (::NtQueryKey(key, win32::kKeyNameInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &length) != 0) {
        return {};
    }
    const auto chars = *reinterpret_cast<const ULONG*>(buffer.data()) / sizeof(wchar_t);
    return std::wstring(reinterpret_cast<const wchar_t*>(buffer.data() + sizeof(ULONG)), chars);
}

// The parent key and the last step of a path.
std::pair<std::wstring, std::wstring> Split(const std::wstring& path)
{
    const std::size_t slash = path.rfind(L'\\');
    return {path.substr(0, slash), path.substr(slash + 1)};
}

bool SetSecurity(const std::wstring& key, const wchar_t* sddl)
{
    UniqueHkey opened;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, WRITE_DAC, opened.put()) != ERROR_SUCCESS) {
        return false;
    }
    UniqueLocal descriptor;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1,
                                                              reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.put()),
                                                              nullptr)) {
        return false;
    }
    return ::RegSetKeySecurity(opened.get(), DACL_SECURITY_INFORMATION, descriptor.get()) == ERROR_SUCCESS;
}

}  // namespace

RegistryFixture::RegistryFixture(RegistryApi& registry) : registry_(registry)
{
    static std::atomic<unsigned> made{0};
    root_ = L"Software\\Nivaro Tests\\Fixture." + std::to_wstring(::GetCurrentProcessId()) + L"." +
            std::to_wstring(made++);
    (void)DeleteKeyTree(registry_, kCurrentUser, root_);
}

bool RegistryFixture::SetText(const std::wstring& key, std::wstring_view name, std::wstring_view text, RegistryRoot root)
{
    UniqueHkey opened;
    if (::RegCreateKeyExW(reinterpret_cast<HKEY>(static_cast<std::intptr_t>(root)), key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, opened.put(),
                          nullptr) != ERROR_SUCCESS) {
        return false;
    }
    UNICODE_STRING counted = win32::Counted(name);
    std::wstring data(text);
    data.push_back(L'\0');
    return ::NtSetValueKey(opened.get(), &counted, 0, REG_SZ, data.data(),
                           static_cast<ULONG>(data.size() * sizeof(wchar_t))) == 0;
}

bool RegistryFixture::MakeLink(const std::wstring& link, const std::wstring& target, RegistryRoot targetRoot)
{
    UniqueHkey targetKey;
    if (::RegOpenKeyExW(reinterpret_cast<HKEY>(static_cast<std::intptr_t>(targetRoot)), target.c_str(), 0,
                        KEY_QUERY_VALUE, targetKey.put()) != ERROR_SUCCESS) {
        return false;
    }
    const std::wstring targetName = NativeName(targetKey.get());
    const auto [parentPath, leaf] = Split(link);
    UniqueHkey parent;
    if (targetName.empty() || ::RegCreateKeyExW(HKEY_CURRENT_USER, parentPath.c_str(), 0, nullptr, 0, KEY_CREATE_SUB_KEY,
                                                nullptr, parent.put(), nullptr) != ERROR_SUCCESS) {
        return false;
    }
    UNICODE_STRING name = win32::Counted(leaf);
    OBJECT_ATTRIBUTES attributes{};
    InitializeObjectAttributes(&attributes, &name, 0, parent.get(), nullptr);
    UniqueHkey created;
    ULONG disposition = 0;
    if (::NtCreateKey(reinterpret_cast<PHANDLE>(created.put()), KEY_ALL_ACCESS | KEY_CREATE_LINK, &attributes, 0,
                      nullptr, REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE, &disposition) != 0) {
        return false;
    }
    links_.push_back(link);
    UNICODE_STRING valueName = win32::Counted(L"SymbolicLinkValue");
    return ::NtSetValueKey(created.get(), &valueName, 0, REG_LINK, const_cast<wchar_t*>(targetName.data()),
                           static_cast<ULONG>(targetName.size() * sizeof(wchar_t))) == 0;
}

bool RegistryFixture::DenyValueChanges(const std::wstring& key)
{
    // Everyone may do anything with the key but set or delete its values.
    if (!SetSecurity(key, L"D:(D;;0x2;;;WD)(A;;KA;;;WD)")) {
        return false;
    }
    denied_.push_back(key);
    return true;
}

void RegistryFixture::AllowValueChanges(const std::wstring& key)
{
    (void)SetSecurity(key, L"D:(A;;KA;;;WD)");
}

void RegistryFixture::RemoveLink(const std::wstring& link)
{
    UniqueHkey opened;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, link.c_str(), REG_OPTION_OPEN_LINK, DELETE, opened.put()) == ERROR_SUCCESS) {
        (void)::NtDeleteKey(opened.get());
    }
}

}  // namespace nivaro
