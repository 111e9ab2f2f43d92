#pragma once
// A scratch key under HKEY_CURRENT_USER for the tests, with what only the native API makes on
// Windows: a value whose name holds a NUL, a key that is a link, a key that refuses value
// changes. Everything under it goes when the fixture goes, links first and as links.

#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace nivaro {

class RegistryFixture {
public:
    explicit RegistryFixture(RegistryApi& registry);
    ~RegistryFixture();
    RegistryFixture(const RegistryFixture&) = delete;
    RegistryFixture& operator=(const RegistryFixture&) = delete;

    // The scratch key's path under HKEY_CURRENT_USER.
    const std::wstring& Root() const { return root_; }
    std::wstring Key(std::wstring_view relative) const { return root_ + L"\\" + std::wstring(relative); }

    // The same scratch key's path under HKEY_LOCAL_MACHINE, for links that lead out of the user's hive.
    std::wstring MachineKey(std::wstring_view relative)
    {
        usedMachine_ = true;
        return Key(relative);
    }

    // A string value, created with its key; the name may hold a NUL.
    bool SetText(const std::wstring& key, std::wstring_view name, std::wstring_view text,
                 RegistryRoot root = kCurrentUser);
    // Makes `link` under HKEY_CURRENT_USER a key that leads to `target` under `targetRoot`.
    bool MakeLink(const std::wstring& link, const std::wstring& target, RegistryRoot targetRoot = kCurrentUser);
    // The key lets its values be read, not changed, by anyone.
    bool DenyValueChanges(const std::wstring& key);

private:
    void RemoveLink(const std::wstring& link);
    void AllowValueChanges(const std::wstring& key);

    RegistryApi& registry_;
    std::wstring root_;
    std::vector<std::wstring> links_;
    std::vector<std::wstring> denied_;
    bool usedMachine_ = false;
};

}  // namespace nivaro
