#pragma once
// The registry of the running system, through advapi32's wide functions. A RegistryKey's raw
// value is the HKEY's bits.

#include "platform/registry.h"

namespace nivaro::win32 {

class Win32Registry final : public RegistryApi {
public:
    using RegistryApi::OpenKey;
    long OpenKey(RegistryRoot root, std::wstring_view path, KeyAccess access, KeyLinks links,
                 RegistryKey& key) override;
    long OpenSubkey(const RegistryKey& parent, std::wstring_view name, KeyAccess access, KeyLinks links,
                    RegistryKey& key) override;
    long OpenKeyToRead(RegistryRoot root, std::wstring_view path, RegistryView view, RegistryKey& key) override;
    long CreateKey(RegistryRoot root, std::wstring_view path, RegistryKey& key) override;
    long DeleteKey(const RegistryKey& key) override;
    long QueryInfoKey(const RegistryKey& key, KeyInfo& info) override;
    long EnumValueName(const RegistryKey& key, std::uint32_t index, std::span<wchar_t> buffer,
                       std::uint32_t& nameChars) override;
    long EnumKeyName(const RegistryKey& key, std::uint32_t index, std::span<wchar_t> buffer,
                     std::uint32_t& nameChars) override;
    long QueryValue(const RegistryKey& key, std::wstring_view name, std::uint32_t& type, std::span<std::byte> data,
                    std::uint32_t& size) override;
    long SetValue(const RegistryKey& key, std::wstring_view name, std::uint32_t type,
                  std::span<const std::byte> data) override;
    long DeleteValue(const RegistryKey& key, std::wstring_view name) override;
    long KeyName(const RegistryKey& key, std::wstring& name) override;

private:
    void CloseKey(std::uintptr_t raw) noexcept override;
};

}  // namespace nivaro::win32
