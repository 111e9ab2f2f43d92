#include "items/property_set.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "platform/name_case.h"

namespace nivaro {
namespace {

// Names are stored in lower case, as the layout files of the old designer wrote them; they are
// ASCII identifiers, so lowering ASCII letters is the whole of that form. Looking one up compares
// as every other name does.
std::wstring LowerName(std::wstring_view name)
{
    std::wstring lower(name);
    std::ranges::transform(lower, lower.begin(), [](wchar_t c) {
        return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
    });
    return lower;
}


// Decimal, or hexadecimal written &Hxxxxxxxx as the layout files of the old designer did.
Result<std::int32_t> ParseInt(std::wstring_view text, std::wstring_view name)
{
    std::string narrow;
    for (wchar_t c : text) {
        if (c > 0x7f) {
            narrow.clear();
            break;
        }
        narrow.push_back(static_cast<char>(c));
    }
    std::int64_t value = 0;
    std::from_chars_result parsed{};
    const char* end = narrow.data() + narrow.size();
    if (narrow.size() > 2 && (narrow.starts_with("&H") || narrow.starts_with("&h"))) {
        std::uint32_t bits = 0;
        parsed = std::from_chars(narrow.data() + 2, end, bits, 16);
        value = static_cast<std::int32_t>(bits);
    } else {
        parsed = std::from_chars(narrow.data(), end, value);
    }
    if (narrow.empty() || parsed.ec != std::errc{} || parsed.ptr != end ||
        value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()) {
        return Fail(error_number::kTypeMismatch,
                    L"Type mismatch: property '" + std::wstring(name) + L"' holds '" + std::wstring(text) +
                        L"', which is not a number");
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace

PropertySet::PropertySet(std::vector<PropertyEntry> entries) : entries_(std::move(entries))
{
    for (PropertyEntry& entry : entries_) {
        entry.name = LowerName(entry.name);
    }
}

const PropertyValue* PropertySet::Find(std::wstring_view name) const
{
    auto found = std::ranges::find_if(entries_, [&](const PropertyEntry& e) { return SameName(e.name, name); });
    return found == entries_.end() ? nullptr : &found->value;
}

std::vector<PropertyEntry>::iterator PropertySet::Locate(std::wstring_view name)
{
    return std::ranges::find_if(entries_, [&](const PropertyEntry& e) { return SameName(e.name, name); });
}

Result<std::int32_t> PropertySet::ReadInt(std::wstring_view name, std::int32_t fallback) const
{
    const PropertyValue* value = Find(name);
    if (value == nullptr) {
        return fallback;
    }
    if (const auto* number = std::get_if<std::int32_t>(value)) {
        return *number;
    }
    return ParseInt(std::get<std::wstring>(*value), name);
}

Result<std::wstring> PropertySet::ReadText(std::wstring_view name, std::wstring_view fallback) const
{
    const PropertyValue* value = Find(name);
    if (value == nullptr) {
        return std::wstring(fallback);
    }
    if (const auto* number = std::get_if<std::int32_t>(value)) {
        return std::to_wstring(*number);
    }
    return std::get<std::wstring>(*value);
}

void PropertySet::Write(std::wstring_view name, PropertyValue value, const PropertyValue& fallback)
{
    auto existing = Locate(name);
    if (value == fallback) {
        if (existing != entries_.end()) {
            entries_.erase(existing);
        }
        return;
    }
    if (existing != entries_.end()) {
        existing->value = std::move(value);
    } else {
        entries_.push_back({LowerName(name), std::move(value)});
    }
}

}  // namespace nivaro
