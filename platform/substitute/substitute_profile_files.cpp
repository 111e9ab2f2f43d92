// A profile's files over a real directory, answering as the Win32 backend answers under Wine:
// entries opened relative to their folder's descriptor, a link never followed into, a file that a
// DiskMarks hold marks as held by another program.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <system_error>

#include "platform/path_join.h"
#include "platform/profile_files.h"
#include "platform/substitute/disk_marks.h"
#include "platform/substitute/native_path.h"
#include "platform/substitute/unique_fd.h"

namespace nivaro {
namespace {

Error NotFound()
{
    return {file_status::kFileNotFound, L"The system cannot find the file specified."};
}

class SubstituteProfileFolder final : public ProfileFolder {
public:
    SubstituteProfileFolder(UniqueFd fd, std::string real, DiskMarks& marks)
        : fd_(std::move(fd)), real_(std::move(real)), path_(FromNativePath(real_)), marks_(marks)
    {
    }

    const std::wstring& Path() const override { return path_; }
    bool IsVolumeRoot() const override { return real_ == "/" || marks_.IsVolumeRoot(path_); }
    int Fd() const { return fd_.get(); }
    const std::string& Real() const { return real_; }

private:
    UniqueFd fd_;
    std::string real_;
    std::wstring path_;
    DiskMarks& marks_;
};

SubstituteProfileFolder& Native(ProfileFolder& folder)
{
    return static_cast<SubstituteProfileFolder&>(folder);
}

// A name Wine could not take as one entry of a folder.
bool BadName(std::wstring_view name)
{
    return name.empty() || name == L"." || name == L".." || name.find_first_of(L"\\/") != std::wstring_view::npos ||
           name.find(L'\0') != std::wstring_view::npos;
}

Result<std::unique_ptr<ProfileFolder>> FolderFrom(UniqueFd fd, DiskMarks& marks)
{
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return Fail(profile_status::kNotAFolder, L"It is a file, not a folder.");
    }
    std::optional<std::string> real = RealPathOf(fd.get());
    if (!real) {
        return Fail(file_status::kPathNotFound, L"The system cannot find the path specified.");
    }
    return std::make_unique<SubstituteProfileFolder>(std::move(fd), std::move(*real), marks);
}

// The entry of this name, opened without following a link; a link is refused as Wine's check of
// where the handle leads would refuse it.
Result<UniqueFd> OpenEntry(SubstituteProfileFolder& folder, std::wstring_view name, int flags)
{
    if (BadName(name)) {
        return Fail(profile_status::kBadName,
                    L"\"" + std::wstring(name) + L"\" does not name one entry of the folder.");
    }
    const std::string native = ToNativePath(name);
    struct stat own {};
    if (::fstatat(folder.Fd(), native.c_str(), &own, AT_SYMLINK_NOFOLLOW) != 0) {
        return std::unexpected(NotFound());
    }
    if (S_ISLNK(own.st_mode)) {
        return Fail(profile_status::kLink, L"It is a link, which is never followed.");
    }
    if ((flags & O_DIRECTORY) == 0 && !S_ISREG(own.st_mode)) {
        return Fail(profile_status::kNotAFile, L"It is not a plain file.");
    }
    if ((flags & O_DIRECTORY) != 0 && !S_ISDIR(own.st_mode)) {
        return Fail(profile_status::kNotAFolder, L"It is a file, not a folder.");
    }
    UniqueFd fd(::openat(folder.Fd(), native.c_str(), flags | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    if (!fd) {
        return Fail(errno == ELOOP ? profile_status::kLink : file_status::kFileNotFound,
                    L"The entry could not be opened.");
    }
    return fd;
}

FileIdentity IdentityOf(const struct stat& info)
{
    return {static_cast<std::uint64_t>(info.st_dev), 0, static_cast<std::uint64_t>(info.st_ino)};
}

struct OpenedFile {
    UniqueFd fd;
    struct stat info {};
};

Result<OpenedFile> OpenPlainFile(SubstituteProfileFolder& folder, std::wstring_view name)
{
    Result<UniqueFd> fd = OpenEntry(folder, name, O_RDONLY);
    if (!fd) {
        return std::unexpected(fd.error());
    }
    OpenedFile file{std::move(*fd)};
    if (::fstat(file.fd.get(), &file.info) != 0) {
        return std::unexpected(NotFound());
    }
    return file;
}

class SubstituteProfileFiles final : public ProfileFiles {
public:
    explicit SubstituteProfileFiles(DiskMarks& marks) : marks_(marks) {}

    Result<std::unique_ptr<ProfileFolder>> OpenFolder(std::wstring_view path) override
    {
        if (path.empty()) {
            return Fail(file_status::kPathNotFound, L"The system cannot find the path specified.");
        }
        UniqueFd fd(::open(ToNativePath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
        if (!fd) {
            return Fail(errno == ENOTDIR ? file_status::kPathNotFound : file_status::kFileNotFound,
                        L"The system cannot find the file specified.");
        }
        return FolderFrom(std::move(fd), marks_);
    }

    Result<std::unique_ptr<ProfileFolder>> OpenSubfolder(ProfileFolder& parent, std::wstring_view name) override
    {
        Result<UniqueFd> fd = OpenEntry(Native(parent), name, O_RDONLY | O_DIRECTORY);
        if (!fd) {
            return std::unexpected(fd.error());
        }
        return FolderFrom(std::move(*fd), marks_);
    }

    Result<FileFacts> Examine(ProfileFolder& folder, std::wstring_view name) override
    {
        Result<OpenedFile> file = OpenPlainFile(Native(folder), name);
        if (!file) {
            return std::unexpected(file.error());
        }
        return FileFacts{IdentityOf(file->info), static_cast<std::uint64_t>(file->info.st_size),
                         static_cast<std::uint32_t>(file->info.st_nlink)};
    }

    Result<std::string> Read(ProfileFolder& folder, std::wstring_view name, std::uint64_t most) override
    {
        return ReadFrom(folder, name, most, true);
    }

    Result<std::string> ReadStart(ProfileFolder& folder, std::wstring_view name, std::size_t most) override
    {
        return ReadFrom(folder, name, most, false);
    }

    bool HeldByAnother(ProfileFolder& folder, std::wstring_view name) override
    {
        return marks_.IsHeld(JoinPath(folder.Path(), name, L'/'));
    }

    // SQLite's descriptor is its own; the descriptors of this process that are on the file it
    // names are looked up instead, and every one must be on the same file.
    Result<FileIdentity> OpenedDatabase(sqlite3* connection) override
    {
        const char* name = ::sqlite3_db_filename(connection, "main");
        if (name == nullptr || *name == '\0') {
            return std::unexpected(NotFound());
        }
        std::optional<FileIdentity> found;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
            std::error_code linkError;
            if (std::filesystem::read_symlink(entry.path(), linkError).native() != name || linkError) {
                continue;
            }
            struct stat info {};
            if (::stat(entry.path().c_str(), &info) != 0) {
                continue;
            }
            if (found && *found != IdentityOf(info)) {
                return Fail(profile_status::kLink, L"Two files are open under the database's name.");
            }
            found = IdentityOf(info);
        }
        if (!found) {
            return Fail(profile_status::kLink, L"The database is not open under its own name.");
        }
        return *found;
    }

    wchar_t Separator() const override { return L'/'; }

private:
    // The file's bytes up to `most`; with `whole`, refused when it holds more.
    static Result<std::string> ReadFrom(ProfileFolder& folder, std::wstring_view name, std::uint64_t most, bool whole)
    {
        Result<OpenedFile> file = OpenPlainFile(Native(folder), name);
        if (!file) {
            return std::unexpected(file.error());
        }
        const auto size = static_cast<std::uint64_t>(file->info.st_size);
        if (whole && size > most) {
            return Fail(profile_status::kTooLarge, L"The file is larger than " + std::to_wstring(most) + L" bytes.");
        }
        std::string bytes(static_cast<std::size_t>(std::min(size, most)), '\0');
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t read = ::read(file->fd.get(), bytes.data() + done, bytes.size() - done);
            if (read <= 0) {
                break;
            }
            done += static_cast<std::size_t>(read);
        }
        bytes.resize(done);
        return bytes;
    }

    DiskMarks& marks_;
};

}  // namespace

std::unique_ptr<ProfileFiles> MakeProfileFiles()
{
    return std::make_unique<SubstituteProfileFiles>(SharedDiskMarks());
}

}  // namespace nivaro
