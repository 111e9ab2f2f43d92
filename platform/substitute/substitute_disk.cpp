#include "platform/substitute/substitute_disk.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>

#include "platform/backend.h"
#include "platform/substitute/native_path.h"

namespace nivaro {
namespace {

namespace fs = std::filesystem;

// The shell's failures carry HRESULTs: HRESULT_FROM_WIN32 of the Win32 code.
constexpr std::int32_t kHresultFileNotFound = static_cast<std::int32_t>(0x80070002u);
constexpr std::int32_t kHresultPathNotFound = static_cast<std::int32_t>(0x80070003u);
// Wine's shell namespace does not reach folders that lie deeper than about MAX_PATH characters,
// though the file functions do; where exactly it stops depends on how the path is cut into
// folders. The substitute stops at MAX_PATH.
constexpr std::size_t kShellPathLimit = 260;

fs::path Native(std::wstring_view path)
{
    return fs::path(ToNativePath(path));
}

bool IsDirectoryOrLinkToOne(const fs::path& path)
{
    std::error_code error;
    return fs::is_directory(fs::status(path, error));
}

// The attributes as a Win32 listing reports the entry itself, link or not; nothing when there is
// no entry of that name.
std::optional<std::uint32_t> EntryAttributes(const fs::path& path, const DiskMarks& marks, std::wstring_view text)
{
    std::error_code error;
    const fs::file_status status = fs::symlink_status(path, error);
    if (error || !fs::exists(status)) {
        return std::nullopt;
    }
    std::uint32_t attributes = marks.Attributes(text);
    if (fs::is_symlink(status)) {
        attributes |= file_attr::kReparsePoint;
        if (IsDirectoryOrLinkToOne(path)) {
            attributes |= file_attr::kDirectory;
        }
    } else if (fs::is_directory(status)) {
        attributes |= file_attr::kDirectory;
    } else {
        attributes |= file_attr::kArchive;  // what Windows gives a file it has just written
    }
    return attributes;
}

// What DeleteFileW would meet now, in the order Windows meets it: a missing name, a folder, a
// file held open without delete sharing, then the read-only attribute.
long DeleteBlocker(std::wstring_view text, const DiskMarks& marks)
{
    if (text.empty()) {
        return file_status::kPathNotFound;
    }
    const fs::path path = Native(text);
    const std::optional<std::uint32_t> attributes = EntryAttributes(path, marks, text);
    if (!attributes) {
        const fs::path parent = path.parent_path();
        return parent.empty() || IsDirectoryOrLinkToOne(parent) ? file_status::kFileNotFound
                                                                : file_status::kPathNotFound;
    }
    if ((*attributes & file_attr::kDirectory) != 0) {
        return file_status::kAccessDenied;
    }
    if (marks.IsHeld(text)) {
        return file_status::kSharingViolation;
    }
    if ((*attributes & file_attr::kReadOnly) != 0) {
        return file_status::kAccessDenied;
    }
    return file_status::kSuccess;
}

std::wstring JoinPath(std::wstring_view folder, std::wstring_view name)
{
    std::wstring joined(folder);
    if (!joined.ends_with(L'/')) {
        joined.push_back(L'/');
    }
    joined.append(name);
    return joined;
}

class SubstituteShellFolder final : public ShellFolder {
public:
    SubstituteShellFolder(std::wstring path, DiskMarks& marks) : path_(std::move(path)), marks_(marks) {}

    Result<std::vector<ShellEntry>> Items() override
    {
        std::error_code error;
        fs::directory_iterator entries(Native(path_), error);
        if (error) {
            return Fail(kHresultPathNotFound, L"The system cannot find the path.");
        }
        std::vector<ShellEntry> items;
        for (; entries != fs::directory_iterator(); entries.increment(error)) {
            std::wstring name = FromNativePath(entries->path().filename().native());
            std::wstring path = JoinPath(path_, name);
            const std::uint32_t attributes = EntryAttributes(Native(path), marks_, path).value_or(0);
            listed_.insert(name);
            items.push_back({name, std::move(name), std::move(path), attributes});
        }
        if (error) {
            return Fail(kHresultPathNotFound, L"The system cannot find the path.");
        }
        for (std::wstring& name : marks_.VirtualItems(path_)) {
            items.push_back({name, std::move(name), std::wstring()});
        }
        std::ranges::sort(items, {}, &ShellEntry::name);
        return items;
    }

    // Wine's "delete" verb asks for confirmation before it deletes a file-system entry, and that
    // question is never let up: the entry stays and the verb still succeeds. Only a virtual item
    // goes. An entry the folder never listed must be found by its name first, which fails when
    // nothing has that name.
    Result<bool> InvokeDelete(const ShellEntry& entry) override
    {
        if (!entry.path.empty()) {
            std::error_code error;
            const bool there = fs::exists(fs::symlink_status(Native(entry.path), error));
            if (!there && !listed_.contains(entry.parsingName)) {
                return Fail(kHresultFileNotFound, L"The system cannot find the file.");
            }
            return !there;
        }
        if (!marks_.RemoveVirtualItem(path_, entry.parsingName)) {
            return Fail(kHresultFileNotFound, L"The system cannot find the file.");
        }
        return true;
    }

private:
    std::wstring path_;
    DiskMarks& marks_;
    std::set<std::wstring> listed_;  // the parsing names Items has given out
};

}  // namespace

std::optional<std::uint32_t> SubstituteFileSystem::Attributes(std::wstring_view path)
{
    if (path.empty()) {
        return std::nullopt;
    }
    return EntryAttributes(Native(path), marks_, path);
}

std::optional<DirectoryEntry> SubstituteFileSystem::FindEntry(std::wstring_view path)
{
    if (path.empty()) {
        return std::nullopt;
    }
    const fs::path native = Native(path);
    const std::optional<std::uint32_t> attributes = EntryAttributes(native, marks_, path);
    if (!attributes) {
        return std::nullopt;
    }
    DirectoryEntry entry{*attributes, 0};
    std::error_code error;
    if (fs::is_regular_file(fs::symlink_status(native, error))) {
        entry.size = fs::file_size(native, error);
    }
    return entry;
}

long SubstituteFileSystem::RemoveFile(std::wstring_view path)
{
    if (const long blocker = DeleteBlocker(path, marks_); blocker != file_status::kSuccess) {
        return blocker;
    }
    std::error_code error;
    if (!fs::remove(Native(path), error)) {
        return file_status::kAccessDenied;
    }
    marks_.Forget(path);
    return file_status::kSuccess;
}

long SubstituteFileSystem::CheckDeletable(std::wstring_view path)
{
    return DeleteBlocker(path, marks_);
}

Result<std::unique_ptr<ShellFolder>> SubstituteShell::NameSpace(std::wstring_view path)
{
    if (path.empty() || Utf16Length(path) >= kShellPathLimit || !IsDirectoryOrLinkToOne(Native(path))) {
        return Fail(kHresultPathNotFound, L"The system cannot find the path.");
    }
    return std::make_unique<SubstituteShellFolder>(std::wstring(path), marks_);
}

std::unique_ptr<FileSystem> MakeFileSystem()
{
    return std::make_unique<SubstituteFileSystem>(SharedDiskMarks());
}

std::unique_ptr<Shell> MakeShell()
{
    return std::make_unique<SubstituteShell>(SharedDiskMarks());
}

}  // namespace nivaro
