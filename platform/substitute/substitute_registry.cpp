#include "platform/substitute/substitute_registry.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/backend.h"
#include "platform/name_case.h"
#include "platform/substitute/case_fold.h"
#include "platform/utf16.h"

namespace nivaro {
namespace {

constexpr RegistryRoot kFirstRoot = static_cast<RegistryRoot>(0x80000000u);  // HKEY_CLASSES_ROOT
constexpr RegistryRoot kLastRoot = static_cast<RegistryRoot>(0x80000006u);   // HKEY_DYN_DATA
// The platform's limit on a value name, in characters.
constexpr std::size_t kMaxValueName = 16383;
// Wine's limit on one key name of a path, in characters (Windows documents 255).
constexpr std::size_t kMaxKeyName = 256;
// ERROR_BAD_PATHNAME: a path that starts with a separator.
constexpr long kBadPathname = 161;

// The wide functions take names as C strings; one with a NUL inside is refused, as the Win32
// backend refuses it. Only the delete takes a counted name.
bool HoldsNul(std::wstring_view text)
{
    return text.find(L'\0') != std::wstring_view::npos;
}

// The native name of the user's hive, as a link's target names it, and of the user's classes
// hive, which the user's hive links in as Software\Classes.
constexpr std::wstring_view kUserHive = L"\\REGISTRY\\USER\\S-1-5-21-0-0-0-1000";
constexpr std::wstring_view kUserClassesHive = L"\\REGISTRY\\USER\\S-1-5-21-0-0-0-1000_Classes";
// The classes hive is no predefined root; it is reached only through the link.
constexpr RegistryRoot kUserClassesRoot = 0x7FFF0001;
constexpr std::wstring_view kMachineHive = L"\\REGISTRY\\MACHINE";
constexpr std::wstring_view kLinkValueName = L"SymbolicLinkValue";
// How many links one open may pass through before the registry gives up.
constexpr int kMaxLinkHops = 16;

bool StartsWithFolded(std::wstring_view text, std::wstring_view prefix)
{
    return text.size() >= prefix.size() && SameName(text.substr(0, prefix.size()), prefix);
}

std::u16string SortKey(std::wstring_view name)
{
    std::u16string key;
    for (wchar_t c : FoldCase(name)) {
        PutUtf16(static_cast<char32_t>(c), [&](char16_t unit) { key.push_back(unit); });
    }
    return key;
}

// Checks a path before it is walked: kSuccess, or the platform's answer to it.
long CheckPath(std::wstring_view path)
{
    if (path.starts_with(L'\\')) {
        return kBadPathname;
    }
    return reg_status::kSuccess;
}

template <class Visit>
void ForEachComponent(std::wstring_view path, Visit visit)
{
    while (!path.empty()) {
        const std::size_t slash = path.find(L'\\');
        const std::wstring_view part = path.substr(0, slash);
        if (!part.empty() && !visit(part)) {
            return;
        }
        path = slash == std::wstring_view::npos ? std::wstring_view() : path.substr(slash + 1);
    }
}

// An enumerated name into the caller's buffer: the name and its terminating NUL must fit; when
// they do not, the length is not reported.
long HandOut(const std::wstring& name, std::span<wchar_t> buffer, std::uint32_t& nameChars)
{
    const std::size_t capacity = std::min<std::size_t>(nameChars, buffer.size());
    if (name.size() + 1 > capacity) {
        return reg_status::kMoreData;
    }
    std::ranges::copy(name, buffer.begin());
    buffer[name.size()] = L'\0';
    nameChars = static_cast<std::uint32_t>(name.size());
    return reg_status::kSuccess;
}

}  // namespace

SubstituteRegistry::SubstituteRegistry() = default;
SubstituteRegistry::~SubstituteRegistry() = default;

std::shared_ptr<SubstituteRegistry::Key> SubstituteRegistry::Root(RegistryRoot root)
{
    if ((root < kFirstRoot || root > kLastRoot) && root != kUserClassesRoot) {
        return nullptr;
    }
    auto& key = roots_[root];
    if (!key) {
        key = std::make_shared<Key>();
        key->native = root == kUserClassesRoot ? std::wstring(kUserClassesHive) : NativeName(root, {});
        if (root == kCurrentUser) {
            (void)CreateLinkKey(kCurrentUser, L"Software\\Classes", kUserClassesHive);
        }
    }
    return key;
}

std::wstring SubstituteRegistry::NativeName(RegistryRoot root, std::wstring_view path)
{
    std::wstring name(root == kCurrentUser ? kUserHive : kMachineHive);
    ForEachComponent(path, [&](std::wstring_view part) {
        name.append(L"\\").append(part);
        return true;
    });
    return name;
}

std::expected<std::shared_ptr<SubstituteRegistry::Key>, long> SubstituteRegistry::LinkTarget(const Key& link, int hops)
{
    if (hops >= kMaxLinkHops) {
        return std::unexpected(reg_status::kFileNotFound);
    }
    std::wstring target;
    for (const auto& value : link.values) {
        if (SameName(value->name, kLinkValueName) && value->type == reg_type::kLink) {
            target = DecodeUtf16(value->data);
        }
    }
    for (const auto& [hive, root] : {std::pair{kUserHive, kCurrentUser}, std::pair{kUserClassesHive, kUserClassesRoot},
                                     std::pair{kMachineHive, kLocalMachine}}) {
        if (StartsWithFolded(target, hive) && (target.size() == hive.size() || target[hive.size()] == L'\\')) {
            std::shared_ptr<Key> found;
            std::wstring_view below = std::wstring_view(target).substr(hive.size());
            if (below.starts_with(L'\\')) {
                below.remove_prefix(1);
            }
            const long status = Walk(root, below, false, KeyLinks::kFollow, found, hops + 1);
            if (status != reg_status::kSuccess) {
                return std::unexpected(status);
            }
            return found;
        }
    }
    return std::unexpected(reg_status::kFileNotFound);  // a link that leads nowhere opens nothing
}

long SubstituteRegistry::Walk(RegistryRoot root, std::wstring_view path, bool create, KeyLinks links,
                              std::shared_ptr<Key>& found, int hops)
{
    std::shared_ptr<Key> key = Root(root);
    if (!key) {
        return reg_status::kInvalidHandle;
    }
    if (HoldsNul(path)) {
        return reg_status::kInvalidParameter;
    }
    long status = CheckPath(path);
    if (status != reg_status::kSuccess) {
        return status;
    }
    std::vector<std::wstring_view> parts;
    ForEachComponent(path, [&](std::wstring_view part) {
        parts.push_back(part);
        return true;
    });
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::wstring_view part = parts[i];
        if (part.size() > kMaxKeyName) {
            return reg_status::kInvalidParameter;
        }
        auto& child = key->subkeys[FoldCase(part)];
        if (!child) {
            if (!create) {
                key->subkeys.erase(FoldCase(part));
                return reg_status::kFileNotFound;
            }
            child = std::make_shared<Key>();
            child->name = part;
            child->native = key->native + L"\\" + std::wstring(part);
            child->parent = key;
        }
        key = child;
        const bool last = i + 1 == parts.size();
        if (key->isLink && (!last || links == KeyLinks::kFollow)) {
            auto target = LinkTarget(*key, hops);
            if (!target) {
                return target.error();
            }
            key = std::move(*target);
        }
    }
    found = std::move(key);
    return reg_status::kSuccess;
}

long SubstituteRegistry::CreateLinkKey(RegistryRoot root, std::wstring_view path, std::wstring_view target)
{
    std::shared_ptr<Key> link;
    if (const long status = Walk(root, path, true, KeyLinks::kOpenLinkItself, link); status != reg_status::kSuccess) {
        return status;
    }
    link->isLink = true;
    link->values.clear();
    bool found = false;
    const auto slot = FindValue(*link, kLinkValueName, found);
    const std::vector<std::byte> data = EncodeUtf16(target);
    link->values.insert(slot, std::make_unique<Value>(Value{SortKey(kLinkValueName), std::wstring(kLinkValueName),
                                                            reg_type::kLink, data}));
    return reg_status::kSuccess;
}

long SubstituteRegistry::DenyValueChanges(RegistryRoot root, std::wstring_view path)
{
    std::shared_ptr<Key> key;
    if (const long status = Walk(root, path, false, KeyLinks::kOpenLinkItself, key); status != reg_status::kSuccess) {
        return status;
    }
    key->denySet = true;
    return reg_status::kSuccess;
}

long SubstituteRegistry::SetValueCounted(const RegistryKey& key, std::wstring_view name, std::uint32_t type,
                                         std::span<const std::byte> data)
{
    auto usable = Usable(key, KeyAccess::kQueryAndSet);
    if (!usable) {
        return usable.error();
    }
    return Store(**usable, name, type, data);
}

long SubstituteRegistry::Issue(std::shared_ptr<Key> key, KeyAccess access, RegistryKey& handle)
{
    const std::uintptr_t raw = nextHandle_;
    nextHandle_ += 4;
    handles_.emplace(raw, Handle{std::move(key), access});
    handle = RegistryKey(*this, raw);
    return reg_status::kSuccess;
}

std::expected<SubstituteRegistry::Key*, long> SubstituteRegistry::Usable(const RegistryKey& key, KeyAccess needed)
{
    auto found = handles_.find(key.get());
    if (found == handles_.end()) {
        return std::unexpected(reg_status::kInvalidHandle);
    }
    const Handle& handle = found->second;
    if (handle.key->deleted) {
        return std::unexpected(reg_status::kKeyDeleted);
    }
    if (static_cast<int>(handle.access) < static_cast<int>(needed)) {  // each access allows the ones before it
        return std::unexpected(reg_status::kAccessDenied);
    }
    return handle.key.get();
}

void SubstituteRegistry::CloseKey(std::uintptr_t raw) noexcept
{
    handles_.erase(raw);
}

long SubstituteRegistry::OpenKey(RegistryRoot root, std::wstring_view path, KeyAccess access, KeyLinks links,
                                 RegistryKey& key)
{
    key.reset();
    std::shared_ptr<Key> found;
    if (const long status = Walk(root, path, false, links, found); status != reg_status::kSuccess) {
        return status;
    }
    if (access != KeyAccess::kQuery && found->denySet) {
        return reg_status::kAccessDenied;
    }
    return Issue(std::move(found), access, key);
}

long SubstituteRegistry::OpenSubkey(const RegistryKey& parent, std::wstring_view name, KeyAccess access, KeyLinks links,
                                    RegistryKey& key)
{
    key.reset();
    if (name.empty() || HoldsNul(name) || name.find(L'\\') != std::wstring_view::npos || name.size() > kMaxKeyName) {
        return reg_status::kInvalidParameter;
    }
    auto usable = Usable(parent, KeyAccess::kQuery);
    if (!usable) {
        return usable.error();
    }
    const auto found = (*usable)->subkeys.find(FoldCase(name));
    if (found == (*usable)->subkeys.end()) {
        return reg_status::kFileNotFound;
    }
    std::shared_ptr<Key> child = found->second;
    if (child->isLink && links == KeyLinks::kFollow) {
        auto target = LinkTarget(*child, 0);
        if (!target) {
            return target.error();
        }
        child = std::move(*target);
    }
    if (access != KeyAccess::kQuery && child->denySet) {
        return reg_status::kAccessDenied;
    }
    return Issue(std::move(child), access, key);
}

long SubstituteRegistry::OpenKeyToRead(RegistryRoot root, std::wstring_view path, RegistryView view, RegistryKey& key)
{
    constexpr std::wstring_view kSoftware = L"Software";
    constexpr std::wstring_view kRedirected = L"Wow6432Node";
    std::wstring viewed(path);
    if (view == RegistryView::k32 && root == kClassesRoot) {
        viewed = std::wstring(kRedirected) + L"\\" + viewed;
    } else if (view == RegistryView::k32 && root == kLocalMachine && SameName(path.substr(0, path.find(L'\\')), kSoftware)) {
        viewed.insert(kSoftware.size(), L"\\" + std::wstring(kRedirected));
    }
    return OpenKey(root, viewed, KeyAccess::kQuery, KeyLinks::kFollow, key);
}

long SubstituteRegistry::DeleteKey(const RegistryKey& key)
{
    auto usable = Usable(key, KeyAccess::kQuerySetAndDelete);
    if (!usable) {
        return usable.error();
    }
    Key& target = **usable;
    const std::shared_ptr<Key> parent = target.parent.lock();
    if (!target.subkeys.empty() || !parent) {
        return reg_status::kAccessDenied;  // a key with subkeys, or a root
    }
    std::erase_if(parent->subkeys, [&](const auto& entry) { return entry.second.get() == &target; });
    MarkDeleted(target);
    return reg_status::kSuccess;
}

long SubstituteRegistry::CreateKey(RegistryRoot root, std::wstring_view path, RegistryKey& key)
{
    key.reset();
    std::shared_ptr<Key> found;
    if (const long status = Walk(root, path, true, KeyLinks::kFollow, found); status != reg_status::kSuccess) {
        return status;
    }
    if (found->denySet) {
        return reg_status::kAccessDenied;
    }
    return Issue(std::move(found), KeyAccess::kQueryAndSet, key);
}

long SubstituteRegistry::QueryInfoKey(const RegistryKey& key, KeyInfo& info)
{
    auto usable = Usable(key, KeyAccess::kQuery);
    if (!usable) {
        return usable.error();
    }
    Key& target = **usable;
    info = {};
    info.subkeyCount = static_cast<std::uint32_t>(target.subkeys.size());
    info.valueCount = static_cast<std::uint32_t>(target.values.size());
    for (const auto& value : target.values) {
        info.maxValueNameChars = std::max(info.maxValueNameChars, static_cast<std::uint32_t>(value->name.size()));
        info.maxValueDataBytes = std::max(info.maxValueDataBytes, static_cast<std::uint32_t>(value->data.size()));
    }
    return reg_status::kSuccess;
}

long SubstituteRegistry::EnumValueName(const RegistryKey& key, std::uint32_t index, std::span<wchar_t> buffer,
                                       std::uint32_t& nameChars)
{
    auto usable = Usable(key, KeyAccess::kQuery);
    if (!usable) {
        return usable.error();
    }
    Key& target = **usable;
    const auto& values = target.values;
    if (index >= values.size()) {
        return reg_status::kNoMoreItems;
    }
    return HandOut(values[index]->name, buffer, nameChars);
}

// Subkeys enumerate in the order of their folded names, as the map keeps them.
long SubstituteRegistry::EnumKeyName(const RegistryKey& key, std::uint32_t index, std::span<wchar_t> buffer,
                                     std::uint32_t& nameChars)
{
    auto usable = Usable(key, KeyAccess::kQuery);
    if (!usable) {
        return usable.error();
    }
    const auto& subkeys = (*usable)->subkeys;
    if (index >= subkeys.size()) {
        return reg_status::kNoMoreItems;
    }
    return HandOut(std::next(subkeys.begin(), index)->second->name, buffer, nameChars);
}

SubstituteRegistry::ValueSlot SubstituteRegistry::FindValue(Key& key, std::wstring_view name, bool& found)
{
    const std::u16string order = SortKey(name);
    auto slot = std::ranges::lower_bound(key.values, order, {}, [](const auto& value) -> const std::u16string& {
        return value->order;
    });
    found = slot != key.values.end() && (*slot)->order == order;
    return slot;
}

std::expected<SubstituteRegistry::ExistingValue, long> SubstituteRegistry::Existing(const RegistryKey& key,
                                                                                   KeyAccess needed,
                                                                                   std::wstring_view name)
{
    auto usable = Usable(key, needed);
    if (!usable) {
        return std::unexpected(usable.error());
    }
    bool found = false;
    const auto slot = FindValue(**usable, name, found);
    if (!found) {
        return std::unexpected(reg_status::kFileNotFound);
    }
    return ExistingValue{*usable, slot};
}

long SubstituteRegistry::QueryValue(const RegistryKey& key, std::wstring_view name, std::uint32_t& type,
                                    std::span<std::byte> data, std::uint32_t& size)
{
    if (HoldsNul(name)) {
        return reg_status::kInvalidParameter;
    }
    const auto existing = Existing(key, KeyAccess::kQuery, name);
    if (!existing) {
        return existing.error();
    }
    const Value& value = **existing->slot;
    type = value.type;
    const auto needed = static_cast<std::uint32_t>(value.data.size());
    if (data.empty()) {
        size = needed;
        return reg_status::kSuccess;
    }
    const std::size_t capacity = std::min<std::size_t>(size, data.size());
    if (capacity < needed) {
        size = needed;
        return reg_status::kMoreData;
    }
    std::ranges::copy(value.data, data.begin());
    size = needed;
    // Text stored without its NUL gains one on the way out when the buffer has room for it.
    if (reg_type::IsString(value.type) && needed >= 2 && needed + 2 <= capacity &&
        (value.data[needed - 2] != std::byte{0} || value.data[needed - 1] != std::byte{0})) {
        data[needed] = std::byte{0};
        data[needed + 1] = std::byte{0};
    }
    return reg_status::kSuccess;
}

long SubstituteRegistry::SetValue(const RegistryKey& key, std::wstring_view name, std::uint32_t type,
                                  std::span<const std::byte> data)
{
    if (HoldsNul(name)) {
        return reg_status::kInvalidParameter;
    }
    auto usable = Usable(key, KeyAccess::kQueryAndSet);
    if (!usable) {
        return usable.error();
    }
    return Store(**usable, name, type, data);
}

long SubstituteRegistry::Store(Key& target, std::wstring_view name, std::uint32_t type, std::span<const std::byte> data)
{
    if (name.size() > kMaxValueName) {
        return reg_status::kInvalidParameter;
    }
    bool found = false;
    const auto slot = FindValue(target, name, found);
    if (found) {
        // The name keeps the case it was first set with.
        (*slot)->type = type;
        (*slot)->data.assign(data.begin(), data.end());
        return reg_status::kSuccess;
    }
    target.values.insert(slot, std::make_unique<Value>(Value{SortKey(name), std::wstring(name), type,
                                                             std::vector<std::byte>(data.begin(), data.end())}));
    return reg_status::kSuccess;
}

long SubstituteRegistry::DeleteValue(const RegistryKey& key, std::wstring_view name)
{
    const auto existing = Existing(key, KeyAccess::kQueryAndSet, name);
    if (!existing) {
        return existing.error();
    }
    existing->key->values.erase(existing->slot);
    return reg_status::kSuccess;
}

long SubstituteRegistry::KeyName(const RegistryKey& key, std::wstring& name)
{
    auto usable = Usable(key, KeyAccess::kQuery);
    if (!usable) {
        return usable.error();
    }
    name = (*usable)->native;
    return reg_status::kSuccess;
}

void SubstituteRegistry::MarkDeleted(Key& key)
{
    key.deleted = true;
    for (auto& [name, child] : key.subkeys) {
        MarkDeleted(*child);
    }
}

// As the platform's tree delete does: links on the way to the key are followed, and the key itself
// goes as itself, a link as a link.
long SubstituteRegistry::DeleteTree(RegistryRoot root, std::wstring_view path)
{
    if (HoldsNul(path)) {
        return reg_status::kInvalidParameter;
    }
    std::vector<std::wstring_view> parts;
    ForEachComponent(path, [&](std::wstring_view part) {
        parts.push_back(part);
        return true;
    });
    if (parts.empty()) {
        return Root(root) ? reg_status::kAccessDenied : reg_status::kInvalidHandle;  // a root cannot be deleted
    }
    const std::size_t lastStart = path.rfind(parts.back());
    std::shared_ptr<Key> parent;
    if (const long status = Walk(root, path.substr(0, lastStart), false, KeyLinks::kFollow, parent);
        status != reg_status::kSuccess) {
        return status;
    }
    if (parts.back().size() > kMaxKeyName) {
        return reg_status::kInvalidParameter;
    }
    const auto child = parent->subkeys.find(FoldCase(parts.back()));
    if (child == parent->subkeys.end()) {
        return reg_status::kFileNotFound;
    }
    MarkDeleted(*child->second);
    parent->subkeys.erase(child);
    return reg_status::kSuccess;
}

std::unique_ptr<RegistryApi> MakeRegistry()
{
    return std::make_unique<SubstituteRegistry>();
}

}  // namespace nivaro
