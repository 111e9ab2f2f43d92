#pragma once
// Scratch folders for the tests that run the folder item on a real disk: a directory of the
// native temporary folder on the substitute backend, the test prefix's temporary folder under
// Wine. Each fixture makes a fresh folder and removes it, with everything in it, when it goes.
// Links found there are removed as links; their targets are never followed.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"
#include "platform/path_join.h"
#include "platform/registry.h"

namespace nivaro {

struct FileMarks {
    bool hidden = false;
    bool system = false;
    bool readOnly = false;
};

// Keeps a file open without delete sharing, as another program can, for as long as it lives.
class FileHold {
public:
    virtual ~FileHold() = default;
};

class FolderFixture {
public:
    FolderFixture();
    ~FolderFixture();
    FolderFixture(const FolderFixture&) = delete;
    FolderFixture& operator=(const FolderFixture&) = delete;

    // The scratch folder, without a trailing separator; empty when it could not be made.
    const std::wstring& Root() const { return root_; }
    // The scratch folder stands in for the user's profile, where a built-in item's folder must
    // lie, for as long as this lives: under Wine it lies in the profile's Temp folder already.
    void StandInForTheProfile();

    // The backend's path separator: '/' on the substitute, '\\' on Win32.
    static wchar_t Separator();
    static std::wstring Join(std::wstring_view folder, std::wstring_view name)
    {
        return JoinPath(folder, name, Separator());
    }

    // A new file of `bytes` bytes; false when it exists already or cannot be written.
    bool MakeFile(std::wstring_view path, std::uint64_t bytes = 0) const;
    // A new file holding these bytes.
    bool WriteFile(std::wstring_view path, std::string_view bytes) const;
    bool MakeFolder(std::wstring_view path) const;
    // Removes a folder that holds nothing; false when it holds something or is not there.
    bool RemoveEmptyFolder(std::wstring_view path) const;
    bool Mark(std::wstring_view path, FileMarks marks) const;
    // Nothing when the file cannot be opened.
    [[nodiscard]] std::unique_ptr<FileHold> HoldWithoutDeleteSharing(std::wstring_view path) const;

    // Fail with the platform's reason where it cannot make links, so that a test can say why it
    // is skipped.
    Result<> MakeFileLink(std::wstring_view link, std::wstring_view target) const;
    Result<> MakeFolderLink(std::wstring_view link, std::wstring_view target) const;
    // An entry of the folder's shell namespace that is no file: the substitute only.
    Result<> AddVirtualItem(std::wstring_view folder, std::wstring_view name) const;

    // Takes a file away, as another program would.
    bool RemoveFile(std::wstring_view path) const;
    // Renames a folder, as another program would, while it may be held open.
    bool MoveFolder(std::wstring_view from, std::wstring_view to) const;

    // How many files, folders and other kernel objects this process holds open now.
    static std::size_t OpenHandles();

    // The same folder written in the backend's other forms: \\?\ in front, or with forward
    // slashes. Nothing where the backend has no such form.
    static std::optional<std::wstring> LongForm(std::wstring_view path);
    static std::optional<std::wstring> SlashForm(std::wstring_view path);
    // A folder on a share of another machine, as the backend writes one.
    static std::wstring NetworkPath();
    // Sets an environment variable of this process.
    static void SetVariable(std::wstring_view name, std::wstring_view value);

    // Whether the entry itself is there; a link whose target is gone still is.
    bool Exists(std::wstring_view path) const;
    std::optional<std::uint64_t> FileSize(std::wstring_view path) const;
    // The attribute bits of the entry itself; nothing when it is not there.
    std::optional<std::uint32_t> Attributes(std::wstring_view path) const;
    // The names of the folder's entries, sorted.
    std::vector<std::wstring> Names(std::wstring_view folder) const;

    // Everything under a folder, by its path relative to the folder with '/' between steps; links
    // are shown as the listing shows them and never entered. A file's bytes are read unless it
    // lies under `sizeOnly` (relative, as the keys), where a pipe could make a read wait forever.
    struct TreeEntry {
        bool folder = false;
        std::uint64_t size = 0;
        std::optional<std::string> bytes;
        friend bool operator==(const TreeEntry&, const TreeEntry&) = default;
    };
    std::map<std::wstring, TreeEntry> Tree(std::wstring_view folder, std::wstring_view sizeOnly) const;

private:
    std::wstring root_;
    bool standsInForTheProfile_ = false;
};

// Points the user's Shell Folders value `name` at a path while it lives, then puts back what was
// there before, or removes the value when there was none.
class ShellFolderValue {
public:
    // `terminated` false stores the text without its NUL, as some programs write it; `type` is
    // the value's registry type, whatever its data.
    ShellFolderValue(RegistryApi& registry, std::wstring_view name, std::wstring_view path, bool terminated = true,
                     std::uint32_t type = reg_type::kString);
    ~ShellFolderValue();
    ShellFolderValue(const ShellFolderValue&) = delete;
    ShellFolderValue& operator=(const ShellFolderValue&) = delete;

    // False when the value could not be written.
    bool Written() const { return written_; }

private:
    RegistryApi& registry_;
    RegistryKey key_;
    std::wstring name_;
    bool hadValue_ = false;
    std::uint32_t previousType_ = 0;
    std::vector<std::byte> previousData_;
    bool written_ = false;
};

}  // namespace nivaro
