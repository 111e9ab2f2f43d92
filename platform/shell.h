#pragma once
// The platform shell's namespace as a folder item uses it: a folder's entries by their shell
// names, and the shell's own "delete" for an entry that is not a plain file.

#include <cstddef>
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
    std::wstring path;         // for showing only; empty for an entry that is not a file-system object
    std::uint32_t attributes = 0;  // a file-system entry's attributes as the listing found them
    std::uint64_t size = 0;        // a file's bytes as the listing found them

    bool IsFileSystemObject() const { return !path.empty(); }
};

// Lists a folder's entries a batch at a time, so that a caller can let events through between.
class EntryLister {
public:
    virtual ~EntryLister() = default;

    // Appends at most `most` more entries, hidden and system ones included; false once the listing
    // is done. The listing is read once: every entry comes exactly once.
    virtual Result<bool> Next(std::vector<ShellEntry>& out, std::size_t most) = 0;

    // Every entry that is left.
    Result<std::vector<ShellEntry>> Items()
    {
        std::vector<ShellEntry> entries;
        for (;;) {
            auto more = Next(entries, 4096);
            if (!more) {
                return std::unexpected(more.error());
            }
            if (!*more) {
                return entries;
            }
        }
    }
};

// A namespace folder, held for one run.
class ShellFolder : public EntryLister {
public:
    // True when the shell shows the folder as the plain file-system folder it is: it lists
    // nothing that the folder's own listing does not.
    virtual bool ShowsOnlyFiles() = 0;
    // Runs the shell's "delete" on the entry without any user interface. True when the entry is
    // gone afterwards.
    virtual Result<bool> InvokeDelete(const ShellEntry& entry) = 0;
};

// The shell's namespace does not reach folders whose path is this long or longer (MAX_PATH, in
// UTF-16 units), though the file functions do; under Wine where exactly it stops depends on how
// the path is cut into folders. NameSpace refuses such a path on every platform.
inline constexpr std::size_t kShellPathLimit = 260;

class Shell {
public:
    virtual ~Shell() = default;

    // The folder at this path as the shell shows it; fails for a path of kShellPathLimit or more.
    virtual Result<std::unique_ptr<ShellFolder>> NameSpace(std::wstring_view path) = 0;
};

}  // namespace nivaro
