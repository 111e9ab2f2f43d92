#pragma once
// An item's persisted properties: ordered name/value entries. Names are matched without regard
// to case and stored in lower case; a value is a signed 32-bit integer or text.

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/error.h"

namespace nivaro {

using PropertyValue = std::variant<std::int32_t, std::wstring>;

struct PropertyEntry {
    std::wstring name;
    PropertyValue value;

    friend bool operator==(const PropertyEntry&, const PropertyEntry&) = default;
};

class PropertySet {
public:
    PropertySet() = default;
    PropertySet(std::initializer_list<PropertyEntry> entries) : PropertySet(std::vector<PropertyEntry>(entries)) {}
    // Takes stored entries as they are; names are kept in lower case.
    explicit PropertySet(std::vector<PropertyEntry> entries);

    // The stored value, or the default when the set holds no entry of that name. A text that is
    // not a number read as an integer is error 13; an integer read as text gives its decimal digits.
    Result<std::int32_t> ReadInt(std::wstring_view name, std::int32_t fallback) const;
    Result<std::wstring> ReadText(std::wstring_view name, std::wstring_view fallback) const;

    // Stores the value, or, when it equals the default, makes sure the set holds no entry for it.
    void Write(std::wstring_view name, PropertyValue value, const PropertyValue& fallback);

    const PropertyValue* Find(std::wstring_view name) const;
    std::span<const PropertyEntry> Entries() const { return entries_; }

private:
    std::vector<PropertyEntry>::iterator Locate(std::wstring_view name);

    std::vector<PropertyEntry> entries_;
};

}  // namespace nivaro
