#pragma once
// The platform shell's namespace as a folder item uses it: a folder's entries by their shell
// names, and the shell's own "delete" for an entry that is not a plain file.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"

namespace nivaro {

struct ShellEntry {
    std::wstring name;         // shown to the user: a file's own name, else the shell's display name
    std::wstring parsingName;  // the name that finds the entry again within its folder
    std::wstring path;         // the file-system path; empty for an entry that is not a file-system object
    std::uint32_t attributes = 0;  // a file-system entry's attributes as the listing found them
};

// A namespace folder, held for one run.
class ShellFolder {
public:
    virtual ~ShellFolder() = default;

    // The folder's entries, hidden and system ones included, read once. A file-system entry
    // carries its attributes from that reading: looking each one up again would cost as much as
    // deleting it.
    virtual Result<std::vector<ShellEntry>> Items() = 0;
    // Runs the shell's "delete" on the entry without any user interface. True when the entry is
    // gone afterwards.
    virtual Result<bool> InvokeDelete(const ShellEntry& entry) = 0;
};

class Shell {
public:
    virtual ~Shell() = default;

    virtual Result<std::unique_ptr<ShellFolder>> NameSpace(std::wstring_view path) = 0;
};

}  // namespace nivaro
