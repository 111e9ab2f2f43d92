#pragma once
// The user's own items, read from a file in the winapp2 format. What is read, and how, is
// described in README.md ("Your own items and keep-lists"): keep the two in step.
//
// An entry runs as its authors meant or not at all: a line of it that cannot be understood
// refuses the whole entry, every line of it. Only a line that deletes something this program never
// cleans (a key outside HKEY_CURRENT_USER) is refused alone, which only narrows the entry.

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "items/item_definition.h"
#include "platform/environment.h"

namespace nivaro {

// What became of one line of the file.
struct LineFate {
    std::size_t line = 0;  // from 1
    bool accepted = false;
    // Why it was refused: "line 12: ..." with the details, and `reason` the same for every line
    // refused for the same cause, to count them by. Both empty when it was taken.
    std::wstring message;
    std::wstring reason;
    std::size_t cause = 0;    // refused with its entry: the line that could not be understood
    std::size_t section = 0;  // the line of the section it belongs to; 0 for none

    friend bool operator==(const LineFate&, const LineFate&) = default;
};

// The versions of Windows an entry is for (DetectOS=low|high, both included).
struct WindowsRange {
    std::optional<WindowsVersion> lowest;
    std::optional<WindowsVersion> highest;

    bool Holds(WindowsVersion version) const
    {
        return (!lowest || *lowest <= version) && (!highest || version <= *highest);
    }
    friend bool operator==(const WindowsRange&, const WindowsRange&) = default;
};

struct ItemsFile {
    std::vector<ItemDefinition> items;                      // in the order of the file
    std::map<std::string, std::vector<std::wstring>> keep;  // by built-in item's id
    std::map<std::string, WindowsRange> windows;            // by item id: shown only on these versions
    std::vector<LineFate> lines;                            // each line that is neither blank nor a comment
    std::vector<std::size_t> entries;                       // the section line of each entry, loaded or not
    std::optional<std::wstring> error;                      // the text could not be read; nothing else is set

    friend bool operator==(const ItemsFile&, const ItemsFile&) = default;
};

// `bytes` is the whole file. `isKnownId` tells whether a lower-case name is a built-in item's id.
ItemsFile ReadItemsFile(std::string_view bytes, const std::function<bool(std::string_view id)>& isKnownId);

// The title the format gives a group by its LangSecRef number; nothing for a number it has not.
std::optional<std::wstring_view> LangSecRefGroup(std::wstring_view number);

}  // namespace nivaro
