#include "platform/substitute/substitute_registry.h"

#include <algorithm>
#include <cstring>

#include "platform/backend.h"
#include "platform/substitute/case_fold.h"

namespace nivaro {
namespace {

constexpr RegistryRoot kFirstRoot = static_cast<RegistryRoot>(0x80000000u);  // HKEY_CLASSES_ROOT
constexpr RegistryRoot kLastRoot = static_cast<RegistryRoot>(0x80000006u);   // HKEY_DYN_DATA
// The platform's limit on a value name, in characters.
constexpr std::size_t kMaxValueName = 16383;

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

}  // namespace

SubstituteRegistry::SubstituteRegistry() = default;
SubstituteRegistry::~SubstituteRegistry() = default;

std::shared_ptr<SubstituteRegistry::Key> SubstituteRegistry::Root(RegistryRoot root)
{
    if (root < kFirstRoot || root > kLastRoot) {
        return nullptr;
    }
    auto& key = roots_[root];
    if (!key) {
        key = std::make_shared<Key>();
    }
    return key;
}

long SubstituteRegistry::Walk(RegistryRoot root, std::wstring_view path, bool create, std::shared_ptr<Key>& found)
{
    std::shared_ptr<Key> key = Root(root);
    if (!key) {
        return reg_status::kInvalidHandle;
    }
    long status = reg_status::kSuccess;
    ForEachComponent(path, [&](std::wstring_view part) {
        auto& child = key->subkeys[FoldCase(part)];
        if (!child) {
            if (!create) {
                key->subkeys.erase(FoldCase(part));
                status = reg_status::kFileNotFound;
                return false;
            }
            child = std::make_shared<Key>();
            child->name = part;
        }
        key = child;
        return true;
    });
    if (status == reg_status::kSuccess) {
        found = std::move(key);
    }
    return status;
}

long SubstituteRegistry::Issue(std::shared_ptr<Key> key, KeyAccess access, RegistryKey& handle)
{
    const std::uintptr_t raw = nextHandle_;
    nextHandle_ += 4;
    handles_.emplace(raw, Handle{std::move(key), access});
    handle = RegistryKey(*this, raw);
    return reg_status::kSuccess;
}

SubstituteRegistry::Handle* SubstituteRegistry::Lookup(const RegistryKey& key)
{
    auto found = handles_.find(key.get());
    return found == handles_.end() ? nullptr : &found->second;
}

void SubstituteRegistry::CloseKey(std::uintptr_t raw) noexcept
{
    handles_.erase(raw);
}

long SubstituteRegistry::OpenKey(RegistryRoot root, std::wstring_view path, KeyAccess access, RegistryKey& key)
{
    key.reset();
    std::shared_ptr<Key> found;
    if (const long status = Walk(root, path, false, found); status != reg_status::kSuccess) {
        return status;
    }
    return Issue(std::move(found), access, key);
}

long SubstituteRegistry::CreateKey(RegistryRoot root, std::wstring_view path, RegistryKey& key)
{
    key.reset();
    std::shared_ptr<Key> found;
    if (const long status = Walk(root, path, true, found); status != reg_status::kSuccess) {
        return status;
    }
    return Issue(std::move(found), KeyAccess::kQueryAndSet, key);
}

long SubstituteRegistry::QueryInfoKey(const RegistryKey& key, KeyInfo& info)
{
    const Handle* handle = Lookup(key);
    if (handle == nullptr) {
        return reg_status::kInvalidHandle;
    }
    if (handle->key->deleted) {
        return reg_status::kKeyDeleted;
    }
    info = {};
    info.subkeyCount = static_cast<std::uint32_t>(handle->key->subkeys.size());
    info.valueCount = static_cast<std::uint32_t>(handle->key->values.size());
    for (const Value& value : handle->key->values) {
        info.maxValueNameChars = std::max(info.maxValueNameChars, static_cast<std::uint32_t>(value.name.size()));
        info.maxValueDataBytes = std::max(info.maxValueDataBytes, static_cast<std::uint32_t>(value.data.size()));
    }
    return reg_status::kSuccess;
}

long SubstituteRegistry::EnumValueName(const RegistryKey& key, std::uint32_t index, std::span<wchar_t> buffer,
                                       std::uint32_t& nameChars)
{
    const Handle* handle = Lookup(key);
    if (handle == nullptr) {
        return reg_status::kInvalidHandle;
    }
    if (handle->key->deleted) {
        return reg_status::kKeyDeleted;
    }
    const std::vector<Value>& values = handle->key->values;
    if (index >= values.size()) {
        return reg_status::kNoMoreItems;
    }
    const std::wstring& name = values[index].name;
    const std::size_t capacity = std::min<std::size_t>(nameChars, buffer.size());
    // The name and its terminating NUL must fit; when they do not, the length is not reported.
    if (name.size() + 1 > capacity) {
        return reg_status::kMoreData;
    }
    std::ranges::copy(name, buffer.begin());
    buffer[name.size()] = L'\0';
    nameChars = static_cast<std::uint32_t>(name.size());
    return reg_status::kSuccess;
}

long SubstituteRegistry::QueryValue(const RegistryKey& key, std::wstring_view name, std::uint32_t& type,
                                    std::span<std::byte> data, std::uint32_t& size)
{
    const Handle* handle = Lookup(key);
    if (handle == nullptr) {
        return reg_status::kInvalidHandle;
    }
    if (handle->key->deleted) {
        return reg_status::kKeyDeleted;
    }
    auto found = handle->key->index.find(FoldCase(name));
    if (found == handle->key->index.end()) {
        return reg_status::kFileNotFound;
    }
    const Value& value = handle->key->values[found->second];
    type = value.type;
    const auto needed = static_cast<std::uint32_t>(value.data.size());
    if (data.empty()) {
        size = needed;
        return reg_status::kSuccess;
    }
    if (std::min<std::size_t>(size, data.size()) < needed) {
        size = needed;
        return reg_status::kMoreData;
    }
    std::ranges::copy(value.data, data.begin());
    size = needed;
    return reg_status::kSuccess;
}

long SubstituteRegistry::SetValue(const RegistryKey& key, std::wstring_view name, std::uint32_t type,
                                  std::span<const std::byte> data)
{
    Handle* handle = Lookup(key);
    if (handle == nullptr) {
        return reg_status::kInvalidHandle;
    }
    if (handle->key->deleted) {
        return reg_status::kKeyDeleted;
    }
    if (handle->access != KeyAccess::kQueryAndSet) {
        return reg_status::kAccessDenied;
    }
    if (name.size() > kMaxValueName) {
        return reg_status::kInvalidParameter;
    }
    Key& target = *handle->key;
    std::wstring folded = FoldCase(name);
    if (auto found = target.index.find(folded); found != target.index.end()) {
        Value& value = target.values[found->second];
        value.type = type;
        value.data.assign(data.begin(), data.end());
        return reg_status::kSuccess;
    }
    target.index.emplace(std::move(folded), target.values.size());
    target.values.push_back({std::wstring(name), type, {data.begin(), data.end()}});
    return reg_status::kSuccess;
}

long SubstituteRegistry::DeleteValue(const RegistryKey& key, std::wstring_view name)
{
    Handle* handle = Lookup(key);
    if (handle == nullptr) {
        return reg_status::kInvalidHandle;
    }
    if (handle->key->deleted) {
        return reg_status::kKeyDeleted;
    }
    if (handle->access != KeyAccess::kQueryAndSet) {
        return reg_status::kAccessDenied;
    }
    Key& target = *handle->key;
    auto found = target.index.find(FoldCase(name));
    if (found == target.index.end()) {
        return reg_status::kFileNotFound;
    }
    const std::size_t position = found->second;
    target.index.erase(found);
    target.values.erase(target.values.begin() + static_cast<std::ptrdiff_t>(position));
    for (std::size_t i = position; i < target.values.size(); ++i) {
        target.index[FoldCase(target.values[i].name)] = i;
    }
    return reg_status::kSuccess;
}

void SubstituteRegistry::MarkDeleted(Key& key)
{
    key.deleted = true;
    for (auto& [name, child] : key.subkeys) {
        MarkDeleted(*child);
    }
}

long SubstituteRegistry::DeleteTree(RegistryRoot root, std::wstring_view path)
{
    std::shared_ptr<Key> parent = Root(root);
    if (!parent) {
        return reg_status::kInvalidHandle;
    }
    std::vector<std::wstring_view> parts;
    ForEachComponent(path, [&](std::wstring_view part) {
        parts.push_back(part);
        return true;
    });
    if (parts.empty()) {
        return reg_status::kAccessDenied;  // a root cannot be deleted
    }
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        auto child = parent->subkeys.find(FoldCase(parts[i]));
        if (child == parent->subkeys.end()) {
            return reg_status::kFileNotFound;
        }
        parent = child->second;
    }
    auto target = parent->subkeys.find(FoldCase(parts.back()));
    if (target == parent->subkeys.end()) {
        return reg_status::kFileNotFound;
    }
    MarkDeleted(*target->second);
    parent->subkeys.erase(target);
    return reg_status::kSuccess;
}

std::unique_ptr<RegistryApi> MakeRegistry()
{
    return std::make_unique<SubstituteRegistry>();
}

}  // namespace nivaro
