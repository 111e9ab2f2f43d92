#pragma once
// An in-memory registry that answers as the platform's registry does under Wine: keys and value
// names matched without regard to case, values of any type kept as raw bytes in a sorted array
// (so they enumerate in name order, and deleting from the front moves the rest), and the
// platform's result codes, limits and buffer conventions.

#include <cstdint>
#include <expected>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/registry.h"

namespace nivaro {

class SubstituteRegistry final : public RegistryApi {
public:
    SubstituteRegistry();
    ~SubstituteRegistry() override;

    using RegistryApi::OpenKey;
    long OpenKey(RegistryRoot root, std::wstring_view path, KeyAccess access, KeyLinks links,
                 RegistryKey& key) override;
    long OpenSubkey(const RegistryKey& parent, std::wstring_view name, KeyAccess access, KeyLinks links,
                    RegistryKey& key) override;
    // The 32-bit view keeps its own keys under HKLM\Software\Wow6432Node and HKCR\Wow6432Node, as
    // a 64-bit system does.
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
    // Removes a key with all its subkeys and values, a link key as itself; never a root.
    long DeleteTree(RegistryRoot root, std::wstring_view path);

    std::size_t OpenHandles() const { return handles_.size(); }

    // What the tests make through the native API on Windows. A link key leads to the key that
    // `target` names natively (NativeName); a key may refuse value changes to everyone; a value's
    // name may hold a NUL.
    static std::wstring NativeName(RegistryRoot root, std::wstring_view path);
    long CreateLinkKey(RegistryRoot root, std::wstring_view path, std::wstring_view target);
    long DenyValueChanges(RegistryRoot root, std::wstring_view path);
    long SetValueCounted(const RegistryKey& key, std::wstring_view name, std::uint32_t type,
                         std::span<const std::byte> data);

private:
    struct Value {
        std::u16string order;  // the folded name in UTF-16 units: the sort key
        std::wstring name;
        std::uint32_t type = 0;
        std::vector<std::byte> data;
    };
    struct Key {
        std::wstring name;
        std::wstring native;  // where the kernel would name it: \REGISTRY\USER\<SID>\Software\...
        std::vector<std::unique_ptr<Value>> values;            // sorted by `order`
        std::map<std::wstring, std::shared_ptr<Key>> subkeys;  // by folded name
        std::weak_ptr<Key> parent;                             // nothing for a root
        bool deleted = false;
        bool isLink = false;   // opened as itself only when asked; otherwise where it leads
        bool denySet = false;  // its values may be read, not changed
    };
    using ValueSlot = std::vector<std::unique_ptr<Value>>::iterator;
    struct Handle {
        std::shared_ptr<Key> key;
        KeyAccess access;
    };

    void CloseKey(std::uintptr_t raw) noexcept override;

    std::shared_ptr<Key> Root(RegistryRoot root);
    long Walk(RegistryRoot root, std::wstring_view path, bool create, KeyLinks links, std::shared_ptr<Key>& found,
              int hops = 0);
    std::expected<std::shared_ptr<Key>, long> LinkTarget(const Key& link, int hops);
    long Store(Key& target, std::wstring_view name, std::uint32_t type, std::span<const std::byte> data);
    // The key behind a handle, or the platform's answer when the handle cannot be used so.
    std::expected<Key*, long> Usable(const RegistryKey& key, KeyAccess needed);
    long Issue(std::shared_ptr<Key> key, KeyAccess access, RegistryKey& handle);
    static void MarkDeleted(Key& key);
    // Where the value of this name is, or would go; `found` tells which.
    static ValueSlot FindValue(Key& key, std::wstring_view name, bool& found);
    struct ExistingValue {
        Key* key;
        ValueSlot slot;
    };
    // The value of this name behind a handle that allows `needed`, or the platform's answer when
    // the handle cannot be used so or holds no such value.
    std::expected<ExistingValue, long> Existing(const RegistryKey& key, KeyAccess needed, std::wstring_view name);

    std::map<RegistryRoot, std::shared_ptr<Key>> roots_;
    std::unordered_map<std::uintptr_t, Handle> handles_;
    std::uintptr_t nextHandle_ = 0x100;
};

}  // namespace nivaro
