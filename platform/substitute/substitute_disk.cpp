#include "platform/substitute/substitute_disk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <system_error>

#include "platform/backend.h"
#include "platform/name_case.h"
#include "platform/path_join.h"
#include "platform/substitute/native_path.h"
#include "platform/substitute/unique_fd.h"

namespace nivaro {
namespace {

namespace fs = std::filesystem;

// The shell's failures carry HRESULTs: HRESULT_FROM_WIN32 of the Win32 code.
constexpr std::int32_t kHresultFileNotFound = static_cast<std::int32_t>(0x80070002u);
constexpr std::int32_t kHresultPathNotFound = static_cast<std::int32_t>(0x80070003u);
// The Win32 codes that Wine answers with.
constexpr long kErrorSuccess = 0;
constexpr long kErrorAccessDenied = 5;
constexpr long kErrorSharingViolation = 32;
constexpr long kErrorInvalidName = 123;
constexpr long kErrorDirectory = 267;
constexpr long kErrorNotReady = 21;
// What Wine's native calls cannot take in a name: its separators, wildcards and control characters.
constexpr std::wstring_view kUnaddressable = L"\\/*?<>|\"";

fs::path Native(std::wstring_view path)
{
    return fs::path(ToNativePath(path));
}

std::wstring Join(std::wstring_view folder, std::wstring_view name)
{
    return JoinPath(folder, name, L'/');
}

// Wine gives a handle's name without the dots and blanks that end it.
std::wstring TrimmedAsWineShowsIt(std::wstring name)
{
    while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) {
        name.pop_back();
    }
    return name;
}

// The attributes a Wine listing gives an entry: a link looks like what it points at, and a link
// to a folder is also a reparse point. Nothing when no entry of that name exists.
std::optional<std::uint32_t> ListedAttributes(const fs::path& path, const DiskMarks& marks, std::wstring_view text,
                                              std::uint64_t& size)
{
    std::error_code error;
    const fs::file_status own = fs::symlink_status(path, error);
    if (error || !fs::exists(own)) {
        return std::nullopt;
    }
    std::uint32_t attributes = marks.Attributes(text);
    const fs::file_status seen = fs::is_symlink(own) ? fs::status(path, error) : own;
    if (error || !fs::exists(seen)) {
        return std::nullopt;  // a link that leads nowhere: Wine lists no such entry
    }
    if (fs::is_directory(seen)) {
        attributes |= file_attr::kDirectory | (fs::is_symlink(own) ? file_attr::kReparsePoint : 0);
    } else {
        attributes |= file_attr::kArchive;  // what Windows gives a file it has just written
        if (fs::is_regular_file(seen)) {
            size = fs::file_size(path, error);
            size = error ? 0 : size;
        }
    }
    return attributes;
}

FolderIdentity IdentityOf(const struct stat& info)
{
    return {static_cast<std::uint64_t>(info.st_dev), 0, static_cast<std::uint64_t>(info.st_ino)};
}

class SubstituteEntryHandle final : public EntryHandle {
public:
    // `real` is where the entry is now; `named` the name Wine keeps for the handle, which it
    // deletes by.
    SubstituteEntryHandle(std::string real, std::string named, EntryLocation location, bool plainFile, DiskMarks& marks)
        : real_(std::move(real)), named_(std::move(named)), location_(std::move(location)), plainFile_(plainFile),
          marks_(marks)
    {
    }

    const EntryLocation& Location() const override { return location_; }
    bool IsFile() override { return plainFile_; }

    std::optional<std::string> ReadWhole(std::size_t most) override
    {
        const UniqueFd file(plainFile_ ? ::open(real_.c_str(), O_RDONLY | O_CLOEXEC) : -1);
        struct stat info {};
        if (!file || ::fstat(file.get(), &info) != 0 || static_cast<std::uint64_t>(info.st_size) > most) {
            return std::nullopt;
        }
        // One byte more than the size: a file that grew since is seen to be larger than it was.
        std::string bytes(static_cast<std::size_t>(info.st_size) + 1, '\0');
        std::size_t filled = 0;
        for (ssize_t read = 1; read > 0 && filled < bytes.size(); filled += static_cast<std::size_t>(read)) {
            read = ::read(file.get(), bytes.data() + filled, bytes.size() - filled);
            if (read < 0) {
                return std::nullopt;
            }
        }
        if (filled > most) {
            return std::nullopt;
        }
        bytes.resize(filled);
        return bytes;
    }

    // As Wine does: the file the handle is on goes when the handle closes, which for a followed
    // link is its target; and it goes by the path the handle was opened by, whatever lies on that
    // path by then.
    DeleteOutcome Delete() override
    {
        const std::wstring text = FromNativePath(real_);
        if ((marks_.Attributes(text) & file_attr::kReadOnly) != 0) {
            return DeleteOutcome::kReadOnly;
        }
        if (!plainFile_) {
            return DeleteOutcome::kNotAFile;
        }
        // The folder's write permission is what an unlink needs.
        if (::access(fs::path(real_).parent_path().c_str(), W_OK) != 0) {
            return DeleteOutcome::kRefused;
        }
        deleting_ = true;
        return DeleteOutcome::kDeleted;
    }

    ~SubstituteEntryHandle() override
    {
        if (deleting_ && ::unlink(named_.c_str()) == 0) {
            marks_.Forget(FromNativePath(named_));
        }
    }

private:
    std::string real_;
    std::string named_;
    EntryLocation location_;
    bool plainFile_;
    DiskMarks& marks_;
    bool deleting_ = false;
};

// A name Wine's native calls cannot take.
bool IsUnaddressable(std::wstring_view name)
{
    return name.empty() || name == L"." || name == L".." || name.find_first_of(kUnaddressable) != std::wstring_view::npos ||
           std::ranges::any_of(name, [](wchar_t c) { return c < 0x20; });
}

// Where a descriptor opened in a folder really is, as Wine shows it.
EntryLocation LocationOf(const std::string& real, const std::string& folderReal)
{
    const fs::path where(real);
    return {where.parent_path().native() == folderReal, TrimmedAsWineShowsIt(FromNativePath(where.filename().native()))};
}

class SubstituteFolderHandle final : public FolderHandle {
public:
    SubstituteFolderHandle(UniqueFd fd, std::string real, DiskMarks& marks)
        : fd_(std::move(fd)), real_(std::move(real)), path_(FromNativePath(real_)), marks_(marks)
    {
    }

    // As Wine does: a folder marked for removal goes when its handle closes, by its path then.
    ~SubstituteFolderHandle() override
    {
        if (removing_ && ::rmdir(real_.c_str()) == 0) {
            marks_.Forget(path_);
        }
    }

    const std::wstring& Path() const override { return path_; }
    bool IsVolumeRoot() const override { return real_ == "/" || marks_.IsVolumeRoot(path_); }

    // The real path names no link: each shorter path names a folder that holds it.
    std::vector<FolderIdentity> Lineage(std::span<const FolderIdentity> known) const override
    {
        struct stat own {};
        if (::fstat(fd_.get(), &own) != 0) {
            return {};
        }
        std::vector<FolderIdentity> lineage{IdentityOf(own)};
        const auto ended = [&] { return std::ranges::find(known, lineage.back()) != known.end(); };
        for (fs::path above = fs::path(real_); above.has_relative_path() && !ended();) {
            above = above.parent_path();
            struct stat info {};
            if (::stat(above.c_str(), &info) == 0) {
                lineage.push_back(IdentityOf(info));
            }
        }
        return lineage;
    }

    bool OutsideTheDrives() const override { return false; }  // Linux has no drives to be outside of

    EntryOpening Open(std::wstring_view name) override
    {
        if (IsUnaddressable(name)) {
            return {EntryOpen::kBadName, kErrorInvalidName, nullptr};
        }
        const std::optional<std::string> found = NameOnDisk(name);
        if (!found) {
            return {EntryOpen::kNotFound, file_status::kFileNotFound, nullptr};
        }
        const std::string& native = *found;
        const std::wstring text = Join(path_, FromNativePath(native));
        struct stat own {};
        if (::fstatat(fd_.get(), native.c_str(), &own, AT_SYMLINK_NOFOLLOW) != 0) {
            return {EntryOpen::kNotFound, file_status::kFileNotFound, nullptr};
        }
        if (S_ISSOCK(own.st_mode)) {
            return {EntryOpen::kNotAFile, kErrorNotReady, nullptr};
        }
        // Wine opens what a link points at.
        struct stat seen = own;
        if (S_ISLNK(own.st_mode) && ::fstatat(fd_.get(), native.c_str(), &seen, 0) != 0) {
            return {EntryOpen::kNotFound, file_status::kFileNotFound, nullptr};
        }
        if (S_ISDIR(seen.st_mode)) {
            return {EntryOpen::kDirectory, kErrorAccessDenied, nullptr};
        }
        if (marks_.IsHeld(text)) {
            return {EntryOpen::kLocked, kErrorSharingViolation, nullptr};
        }
        // O_PATH reaches any node, a pipe included, without opening it for reading.
        const UniqueFd entry(::openat(fd_.get(), native.c_str(), O_PATH | O_CLOEXEC));
        if (!entry) {
            return {EntryOpen::kFailed, kErrorAccessDenied, nullptr};
        }
        std::optional<std::string> real = RealPathOf(entry.get());
        if (!real) {
            return {EntryOpen::kFailed, kErrorAccessDenied, nullptr};
        }
        std::string named = WineName(*real);
        EntryLocation location = LocationOf(named, real_);
        return {EntryOpen::kOpened, kErrorSuccess,
                std::make_unique<SubstituteEntryHandle>(std::move(*real), std::move(named), std::move(location),
                                                        S_ISREG(seen.st_mode), marks_)};
    }

    // One look by the exact name; Linux names are exact, so nothing else can answer to it.
    bool Holds(std::wstring_view name) override
    {
        struct stat own {};
        return !IsUnaddressable(name) && ::fstatat(fd_.get(), ToNativePath(name).c_str(), &own, AT_SYMLINK_NOFOLLOW) == 0;
    }

    // The path the folder was opened at, its last name not followed, leads to this very node.
    bool StillInPlace() override
    {
        struct stat held {};
        struct stat there {};
        return ::fstat(fd_.get(), &held) == 0 && ::lstat(real_.c_str(), &there) == 0 && held.st_dev == there.st_dev &&
               held.st_ino == there.st_ino;
    }

    // Wine follows a Unix link to a folder as it follows one to a file; where the handle then is
    // shows it.
    FolderOpening OpenSubfolder(std::wstring_view name, bool forRemoval) override
    {
        if (IsUnaddressable(name)) {
            return {FolderOpen::kBadName, kErrorInvalidName, nullptr, {}};
        }
        const std::optional<std::string> found = NameOnDisk(name);
        UniqueFd sub(found ? ::openat(fd_.get(), found->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1);
        if (!found) {
            errno = ENOENT;
        }
        if (!sub) {
            switch (errno) {
            case ENOENT:
                return {FolderOpen::kNotFound, file_status::kFileNotFound, nullptr, {}};
            case ENOTDIR:
                return {FolderOpen::kNotAFolder, kErrorDirectory, nullptr, {}};
            case EACCES:
                return {FolderOpen::kDenied, kErrorAccessDenied, nullptr, {}};
            default:
                return {FolderOpen::kFailed, kErrorAccessDenied, nullptr, {}};
            }
        }
        std::optional<std::string> real = RealPathOf(sub.get());
        if (!real) {
            return {FolderOpen::kFailed, kErrorAccessDenied, nullptr, {}};
        }
        std::string named = WineName(*real);
        EntryLocation location = LocationOf(named, real_);
        auto folder = std::make_unique<SubstituteFolderHandle>(std::move(sub), std::move(named), marks_);
        folder->mayRemove_ = forRemoval;
        return {FolderOpen::kOpened, kErrorSuccess, std::move(folder), std::move(location)};
    }

    DeleteOutcome RemoveIfEmpty() override
    {
        if (!mayRemove_) {
            return DeleteOutcome::kRefused;
        }
        bool empty = true;
        if (!ForEachName([&](std::wstring_view) { empty = false; })) {
            return DeleteOutcome::kRefused;
        }
        if (!empty) {
            return DeleteOutcome::kNotEmpty;
        }
        removing_ = true;
        return DeleteOutcome::kDeleted;
    }

    Result<bool> Next(std::vector<ShellEntry>& out, std::size_t most) override
    {
        if (!read_) {
            read_ = true;
            if (!ForEachName([&](std::wstring_view name) { pending_.emplace_back(name); })) {
                return Fail(kHresultPathNotFound, L"The system cannot find the path.");
            }
            // Handed out from the back, in name order.
            std::ranges::sort(pending_, std::greater<>());
        }
        std::size_t added = 0;
        for (; added < most && !pending_.empty(); pending_.pop_back()) {
            const std::wstring& name = pending_.back();
            std::wstring path = Join(path_, name);
            std::uint64_t size = 0;
            const std::optional<std::uint32_t> attributes = ListedAttributes(Native(path), marks_, path, size);
            if (!attributes) {
                continue;  // gone since it was read
            }
            out.push_back({name, name, std::move(path), *attributes, size});
            ++added;
        }
        return added > 0 || !pending_.empty();
    }

private:
    // The entry a name opens, as Wine finds it: by the exact name, or failing that by the first
    // entry whose name is the same but for case. Nothing when no entry answers to it.
    std::optional<std::string> NameOnDisk(std::wstring_view name) const
    {
        std::string native = ToNativePath(name);
        struct stat own {};
        if (::fstatat(fd_.get(), native.c_str(), &own, AT_SYMLINK_NOFOLLOW) == 0) {
            return native;
        }
        std::optional<std::string> found;
        ForEachName([&](std::wstring_view listed) {
            if (!found && SameName(listed, name)) {
                found = ToNativePath(listed);
            }
        });
        return found;
    }

    // The name Wine keeps for a handle opened in this folder: for an entry in the folder, the path
    // the folder had when it was opened with the entry's name after it, even once the folder has
    // moved; for a link followed, where it leads.
    std::string WineName(const std::string& real) const
    {
        const fs::path where(real);
        const std::optional<std::string> now = RealPathOf(fd_.get());
        return now && where.parent_path().native() == *now ? (fs::path(real_) / where.filename()).native() : real;
    }

    template <class Visit>
    bool ForEachName(Visit visit) const
    {
        DIR* listing = ::fdopendir(::dup(fd_.get()));
        if (listing == nullptr) {
            return false;
        }
        ::rewinddir(listing);
        while (const dirent* entry = ::readdir(listing)) {
            const std::string_view name = entry->d_name;
            if (name != "." && name != "..") {
                visit(FromNativePath(name));
            }
        }
        ::closedir(listing);
        return true;
    }

    UniqueFd fd_;
    std::string real_;
    std::wstring path_;
    DiskMarks& marks_;
    std::vector<std::wstring> pending_;
    bool read_ = false;
    bool mayRemove_ = false;
    bool removing_ = false;
};

class SubstituteShellFolder final : public ShellFolder {
public:
    SubstituteShellFolder(std::unique_ptr<FolderHandle> files, DiskMarks& marks)
        : files_(std::move(files)), marks_(marks)
    {
    }

    bool ShowsOnlyFiles() override { return marks_.VirtualItems(files_->Path()).empty(); }

    Result<bool> Next(std::vector<ShellEntry>& out, std::size_t most) override
    {
        if (!virtualsListed_) {
            virtualsListed_ = true;
            for (std::wstring& name : marks_.VirtualItems(files_->Path())) {
                out.push_back({name, std::move(name), std::wstring()});
            }
        }
        return files_->Next(out, most);
    }

    // Only an entry that is no file-system object goes through the shell; it must be found by its
    // name first, which fails when nothing has that name.
    Result<bool> InvokeDelete(const ShellEntry& entry) override
    {
        if (entry.IsFileSystemObject()) {
            return Fail(static_cast<std::int32_t>(0x80070057u), L"The parameter is incorrect.");
        }
        if (!marks_.RemoveVirtualItem(files_->Path(), entry.parsingName)) {
            return Fail(kHresultFileNotFound, L"The system cannot find the file.");
        }
        return true;
    }

private:
    std::unique_ptr<FolderHandle> files_;
    DiskMarks& marks_;
    bool virtualsListed_ = false;
};

Result<std::unique_ptr<FolderHandle>> OpenFolderAt(std::wstring_view path, DiskMarks& marks)
{
    if (path.empty()) {
        return Fail(file_status::kPathNotFound, L"The system cannot find the path specified.");
    }
    // The folder's own links are followed, as Win32 follows them.
    UniqueFd fd(::open(ToNativePath(path).c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        return Fail(errno == ENOTDIR ? file_status::kPathNotFound : file_status::kFileNotFound,
                    L"The system cannot find the file specified.");
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return Fail(file_status::kDirectoryInvalid, L"The directory name is invalid.");
    }
    std::optional<std::string> real = RealPathOf(fd.get());
    if (!real) {
        return Fail(file_status::kPathNotFound, L"The system cannot find the path specified.");
    }
    return std::make_unique<SubstituteFolderHandle>(std::move(fd), std::move(*real), marks);
}

}  // namespace

PathForm SubstituteFileSystem::Form(std::wstring_view path)
{
    if (path.empty()) {
        return PathForm::kEmpty;
    }
    if (path.starts_with(L"//")) {
        return PathForm::kNetwork;  // the form a share would take on a POSIX system
    }
    return path.starts_with(L'/') ? PathForm::kFull : PathForm::kRelative;
}

bool SubstituteFileSystem::Exists(std::wstring_view path)
{
    std::error_code error;
    return !path.empty() && fs::exists(fs::symlink_status(Native(path), error));
}

Result<std::string> SubstituteFileSystem::ReadFile(std::wstring_view path)
{
    std::ifstream in(Native(path), std::ios::binary);
    if (!in) {
        return Fail(file_status::kFileNotFound, L"The system cannot find the file specified.");
    }
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(Native(path), error);
    if (!error && size > kLargestReadableFile) {
        return std::unexpected(FileTooLarge());
    }
    return std::string(std::istreambuf_iterator<char>(in), {});
}

Result<std::unique_ptr<FolderHandle>> SubstituteFileSystem::OpenFolder(std::wstring_view path)
{
    return OpenFolderAt(path, marks_);
}

Result<std::unique_ptr<ShellFolder>> SubstituteShell::NameSpace(std::wstring_view path)
{
    if (path.empty() || Utf16Length(path) >= kShellPathLimit) {
        return Fail(kHresultPathNotFound, L"The system cannot find the path.");
    }
    auto files = OpenFolderAt(path, marks_);
    if (!files) {
        return Fail(kHresultPathNotFound, L"The system cannot find the path.");
    }
    return std::make_unique<SubstituteShellFolder>(std::move(*files), marks_);
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
