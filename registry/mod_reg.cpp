#include "registry/mod_reg.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <cwctype>

#include "platform/utf16.h"

namespace nivaro {
namespace {

// The platform's limit on a value name is 16,383 characters; a buffer that has grown past this
// and still does not fit means the registry answers nonsense, so the enumeration stops.
constexpr std::size_t kNameBufferLimit = 1 << 16;
// A string value can grow between asking its size and reading it; try a few times.
constexpr int kReadAttempts = 3;

// What a link key holds: the native name of the key it leads to.
constexpr std::wstring_view kLinkValueName = L"SymbolicLinkValue";

std::wstring StringValueText(RegistryApi& registry, const RegistryKey& key, std::wstring_view name, std::uint32_t size,
                             std::uint32_t wanted = reg_type::kString)
{
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        std::vector<std::byte> data(size);
        std::uint32_t type = 0;
        const long status = registry.QueryValue(key, name, type, data, size);
        if (status == reg_status::kMoreData) {
            continue;  // `size` now holds the new size
        }
        if (status != reg_status::kSuccess || type != wanted) {
            return {};
        }
        data.resize(std::min<std::size_t>(size, data.size()));
        std::wstring text = DecodeUtf16(data);
        // Stored text need not end in a NUL; when it holds one, the text ends there.
        if (auto nul = text.find(L'\0'); nul != std::wstring::npos) {
            text.resize(nul);
        }
        return text;
    }
    return {};
}

std::wstring BinaryValueText(RegistryApi& registry, const RegistryKey& key, std::wstring_view name, std::uint32_t size)
{
    // Longer data is not a 32-bit integer; reading it as one would show a number that means nothing.
    if (size > sizeof(std::int32_t)) {
        return {};
    }
    std::array<std::byte, sizeof(std::int32_t)> data{};
    std::uint32_t type = 0;
    if (registry.QueryValue(key, name, type, std::span(data).first(size), size) != reg_status::kSuccess ||
        type != reg_type::kBinary) {
        return {};
    }
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < data.size(); ++i) {
        bits |= std::to_integer<std::uint32_t>(data[i]) << (8 * i);
    }
    return std::to_wstring(static_cast<std::int32_t>(bits));
}

// The names a registry call gives by index, asked from index 0 on until it says there are no
// more, or fails in a way that asking again would not mend. The buffer starts at `chars` and grows
// should a name be longer: one may have been added since the size was asked. An empty name is the
// unnamed default value, which is no list's entry.
template <class NameAt>
std::vector<std::wstring> CollectNames(std::size_t chars, std::size_t expected, NameAt nameAt, RunPace* pace)
{
    std::vector<wchar_t> buffer(chars);
    std::vector<std::wstring> names;
    names.reserve(expected);
    for (std::uint32_t index = 0;;) {
        auto nameChars = static_cast<std::uint32_t>(buffer.size());
        const long status = nameAt(index, std::span(buffer), nameChars);
        if (status == reg_status::kMoreData && buffer.size() < kNameBufferLimit) {
            buffer.resize(std::max<std::size_t>(buffer.size() * 2, 256));
            continue;
        }
        if (status != reg_status::kSuccess) {
            return names;
        }
        if (nameChars > 0) {
            names.emplace_back(buffer.data(), std::min<std::size_t>(nameChars, buffer.size()));
        }
        ++index;
        if (pace != nullptr) {
            pace->Seen(names.size());
            if (!pace->Continue()) {
                return names;
            }
        }
    }
}

// Key names as the registry compares them: without regard to case.
bool SameKeyName(std::wstring_view a, std::wstring_view b)
{
    return std::ranges::equal(a, b, [](wchar_t x, wchar_t y) {
        return x == y || std::towupper(static_cast<wint_t>(x)) == std::towupper(static_cast<wint_t>(y));
    });
}

std::vector<std::wstring_view> KeyPathParts(std::wstring_view path)
{
    std::vector<std::wstring_view> parts;
    while (!path.empty()) {
        const std::size_t slash = path.find(L'\\');
        if (slash != 0) {
            parts.push_back(path.substr(0, slash));
        }
        path = slash == std::wstring_view::npos ? std::wstring_view() : path.substr(slash + 1);
    }
    return parts;
}

std::wstring Joined(std::wstring name, std::span<const std::wstring_view> parts)
{
    for (const std::wstring_view part : parts) {
        name.append(L"\\").append(part);
    }
    return name;
}

std::optional<std::wstring> NameOf(RegistryApi& registry, RegistryRoot root, std::wstring_view path, KeyLinks links)
{
    RegistryKey key;
    std::wstring name;
    if (registry.OpenKey(root, path, KeyAccess::kQuery, links, key) != reg_status::kSuccess ||
        registry.KeyName(key, name) != reg_status::kSuccess) {
        return std::nullopt;
    }
    return name;
}

// Where the kernel names the root a path starts from: the name of the path's first key, opened
// as itself, less that key's own name.
std::optional<std::wstring> RootName(RegistryApi& registry, RegistryRoot root, std::wstring_view first)
{
    std::optional<std::wstring> name = NameOf(registry, root, first, KeyLinks::kOpenLinkItself);
    if (!name || name->size() <= first.size() || (*name)[name->size() - first.size() - 1] != L'\\' ||
        !SameKeyName(std::wstring_view(*name).substr(name->size() - first.size()), first)) {
        return std::nullopt;
    }
    name->resize(name->size() - first.size() - 1);
    return name;
}

// Whether an open key is the very key its path names, as the kernel names the key: a link on
// any key of the path leads elsewhere, into another hive even. The user's hive links in the user's
// own classes hive as Software\Classes; that link, and only that one, is the user's too.
bool IsNamedKey(RegistryApi& registry, const RegistryKey& key, RegistryRoot root, std::wstring_view path)
{
    const std::vector<std::wstring_view> parts = KeyPathParts(path);
    std::wstring actual;
    if (parts.empty() || registry.KeyName(key, actual) != reg_status::kSuccess) {
        return false;
    }
    const std::optional<std::wstring> rootName = RootName(registry, root, parts[0]);
    if (!rootName) {
        return false;
    }
    if (SameKeyName(actual, Joined(*rootName, parts))) {
        return true;
    }
    if (parts.size() < 2 || !SameKeyName(parts[0], L"Software") || !SameKeyName(parts[1], L"Classes")) {
        return false;
    }
    const std::optional<std::wstring> classes = NameOf(registry, root, L"Software\\Classes", KeyLinks::kFollow);
    return classes && SameKeyName(*classes, *rootName + L"_Classes") &&
           SameKeyName(actual, Joined(*classes, std::span(parts).subspan(2)));
}

}  // namespace

std::vector<std::wstring> EnumerateSubkeyNames(RegistryApi& registry, const RegistryKey& key)
{
    // A key name has at most 255 characters.
    return CollectNames(256, 0, [&](std::uint32_t index, std::span<wchar_t> buffer, std::uint32_t& chars) {
        return registry.EnumKeyName(key, index, buffer, chars);
    }, nullptr);
}

std::vector<std::wstring> EnumerateValueNames(RegistryApi& registry, const RegistryKey& key, RunPace* pace)
{
    KeyInfo info;
    if (registry.QueryInfoKey(key, info) != reg_status::kSuccess) {
        info = {};
    }
    return CollectNames(
        std::size_t{info.maxValueNameChars} + 1, info.valueCount,
        [&](std::uint32_t index, std::span<wchar_t> buffer, std::uint32_t& chars) {
            return registry.EnumValueName(key, index, buffer, chars);
        },
        pace);
}

bool IsLinkKey(RegistryApi& registry, const RegistryKey& key)
{
    std::uint32_t type = reg_type::kNone;
    std::uint32_t size = 0;
    return registry.QueryValue(key, kLinkValueName, type, {}, size) == reg_status::kSuccess && type == reg_type::kLink;
}

namespace {

// A key opened by `open` with the access to change its values where it allows that, else to read
// it; refused when it is a link, or when `named` says it is not the key its path names.
template <class Open, class Named>
std::expected<ListKey, ListKeyFailure> OpenAsList(RegistryApi& registry, Open open, Named named)
{
    ListKey list;
    long status = open(KeyAccess::kQueryAndSet, list.key);
    list.mayDelete = status == reg_status::kSuccess;
    if (status == reg_status::kAccessDenied) {
        status = open(KeyAccess::kQuery, list.key);
    }
    if (status != reg_status::kSuccess) {
        return std::unexpected(ListKeyFailure{
            status == reg_status::kFileNotFound ? ListKeyFailure::kMissing : ListKeyFailure::kCannotOpen, status});
    }
    // Asked of the handle that the work goes through, so that nothing is swapped in between.
    if (IsLinkKey(registry, list.key) || !named(list.key)) {
        return std::unexpected(ListKeyFailure{ListKeyFailure::kLink, reg_status::kAccessDenied});
    }
    return list;
}

}  // namespace

std::expected<ListKey, ListKeyFailure> OpenListKey(RegistryApi& registry, RegistryRoot root, std::wstring_view path)
{
    return OpenAsList(
        registry,
        [&](KeyAccess access, RegistryKey& key) {
            return registry.OpenKey(root, path, access, KeyLinks::kOpenLinkItself, key);
        },
        [&](const RegistryKey& key) { return IsNamedKey(registry, key, root, path); });
}

std::expected<ListKey, ListKeyFailure> OpenListSubkey(RegistryApi& registry, const RegistryKey& parent,
                                                      std::wstring_view name)
{
    // The parent is the key its own path names; a subkey opened from it as itself is its own.
    return OpenAsList(
        registry,
        [&](KeyAccess access, RegistryKey& key) {
            return registry.OpenSubkey(parent, name, access, KeyLinks::kOpenLinkItself, key);
        },
        [](const RegistryKey&) { return true; });
}

std::size_t DeleteNamedValues(RegistryApi& registry, const RegistryKey& key, std::span<const std::wstring> names,
                              const ValueDeleteAnswer& outcome, RunPace* pace)
{
    std::size_t deleted = 0;
    // Last to first: a registry that keeps values in a sorted array then never moves the rest.
    for (std::size_t index = names.size(); index-- > 0;) {
        if (pace != nullptr) {
            (void)pace->Continue();  // a delete, once begun, goes through every name
        }
        // The unnamed default value is never a list's entry, whatever a name looks like.
        const long status = names[index].empty() ? reg_status::kInvalidParameter : registry.DeleteValue(key, names[index]);
        if (status == reg_status::kSuccess) {
            ++deleted;
        }
        if (outcome) {
            outcome(index, status);
        }
    }
    return deleted;
}

std::size_t DeleteAllValues(RegistryApi& registry, RegistryRoot root, std::wstring_view path)
{
    auto list = OpenListKey(registry, root, path);
    if (!list || !list->mayDelete) {
        return 0;
    }
    const std::vector<std::wstring> names = EnumerateValueNames(registry, list->key);
    return DeleteNamedValues(registry, list->key, names);
}

bool DeleteRegValue(RegistryApi& registry, RegistryRoot root, std::wstring_view path, std::wstring_view name)
{
    RegistryKey key;
    return registry.OpenKey(root, path, KeyAccess::kQueryAndSet, key) == reg_status::kSuccess &&
           registry.DeleteValue(key, name) == reg_status::kSuccess;
}

std::wstring KeyDisplayName(RegistryRoot root, std::wstring_view path)
{
    constexpr std::array<const wchar_t*, 7> kRoots = {L"HKCR", L"HKCU", L"HKLM", L"HKU", L"HKPD", L"HKCC", L"HKDD"};
    const auto index = static_cast<std::uint32_t>(root) - 0x80000000u;
    std::wstring name = index < kRoots.size() ? kRoots[index] : L"root " + std::to_wstring(root);
    if (!path.empty()) {
        name.append(L"\\").append(path);
    }
    return name;
}

std::wstring QueryValueText(RegistryApi& registry, const RegistryKey& key, std::wstring_view name)
{
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    if (registry.QueryValue(key, name, type, {}, size) != reg_status::kSuccess) {
        return {};
    }
    switch (type) {
    case reg_type::kString:
        return StringValueText(registry, key, name, size);
    case reg_type::kBinary:
        return BinaryValueText(registry, key, name, size);
    default:
        return {};
    }
}

std::wstring GetRegString(RegistryApi& registry, RegistryRoot root, std::wstring_view path, std::wstring_view name)
{
    RegistryKey key;
    if (registry.OpenKey(root, path, KeyAccess::kQuery, key) != reg_status::kSuccess) {
        return {};
    }
    return QueryValueText(registry, key, name);
}

std::optional<TypedText> ReadTypedText(RegistryApi& registry, RegistryRoot root, std::wstring_view path,
                                       std::wstring_view name)
{
    RegistryKey key;
    if (registry.OpenKey(root, path, KeyAccess::kQuery, key) != reg_status::kSuccess) {
        return std::nullopt;
    }
    return ReadTypedText(registry, key, name);
}

std::optional<TypedText> ReadTypedText(RegistryApi& registry, const RegistryKey& key, std::wstring_view name)
{
    TypedText value;
    std::uint32_t size = 0;
    if (registry.QueryValue(key, name, value.type, {}, size) != reg_status::kSuccess) {
        return std::nullopt;
    }
    if (value.type == reg_type::kString || value.type == reg_type::kExpandString) {
        value.text = StringValueText(registry, key, name, size, value.type);
    }
    return value;
}

}  // namespace nivaro
