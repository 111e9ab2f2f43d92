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

    // A string value, created with its key; the name may hold a NUL.
    bool SetText(const std::wstring& key, std::wstring_view name, std::wstring_view text);
    // Makes `link` a key that leads to `target` (both under HKEY_CURRENT_USER).
    bool MakeLink(const std::wstring& link, const std::wstring& target);
    // The key lets its values be read, not changed, by anyone.
    bool DenyValueChanges(const std::wstring& key);

private:
    void RemoveLink(const std::wstring& link);
    void AllowValueChanges(const std::wstring& key);

    RegistryApi& registry_;
    std::wstring root_;
    std::vector<std::wstring> links_;
    std::vector<std::wstring> denied_;
};

}  // namespace nivaro
