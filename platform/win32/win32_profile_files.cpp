// A profile's files through the native API: each entry opened relative to its folder's handle by
// its exact name, links opened as themselves, and the handle asked where it really is before
// anything is read through it.

#include <windows.h>

#include <sqlite3.h>

#include <algorithm>
#include <memory>

#include "platform/profile_files.h"
#include "platform/win32/handle_names.h"
#include "platform/win32/long_path.h"
#include "platform/win32/nt_api.h"
#include "platform/win32/unique_handles.h"
#include "platform/win32/win32_error.h"

namespace nivaro::win32 {
namespace {

constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

class Win32ProfileFolder final : public ProfileFolder {
public:
    Win32ProfileFolder(UniqueKernelHandle handle, FolderNames names)
        : handle_(std::move(handle)), names_(std::move(names))
    {
    }

    const std::wstring& Path() const override { return names_.path; }
    bool IsVolumeRoot() const override { return names_.IsVolumeRoot(); }
    HANDLE Handle() const { return handle_.get(); }
    const std::wstring& ObjectName() const { return names_.objectName; }

private:
    UniqueKernelHandle handle_;
    FolderNames names_;
};

Win32ProfileFolder& Native(ProfileFolder& folder)
{
    return static_cast<Win32ProfileFolder&>(folder);
}

bool BadName(std::wstring_view name)
{
    return name.empty() || name == L"." || name == L".." || name.find_first_of(L"\\/") != std::wstring_view::npos ||
           name.find(L'\0') != std::wstring_view::npos || name.size() > kMaxCountedChars / 2;
}

Error StatusError(NTSTATUS status)
{
    if (status == kStatusObjectNameNotFound || status == kStatusObjectPathNotFound) {
        return {file_status::kFileNotFound, L"The system cannot find the file specified."};
    }
    if (status == kStatusFileIsADirectory) {
        return {profile_status::kNotAFile, L"It is a folder, not a file."};
    }
    return Win32Error(::RtlNtStatusToDosError(status));
}

// The entry of exactly this name, opened as itself (a link is not followed by the system, though
// a Unix link under Wine is), then checked to be in the folder under that very name.
Result<UniqueKernelHandle> OpenEntry(Win32ProfileFolder& folder, std::wstring_view name, ACCESS_MASK access,
                                     ULONG share, ULONG options)
{
    if (BadName(name)) {
        return Fail(profile_status::kBadName,
                    L"\"" + std::wstring(name) + L"\" does not name one entry of the folder.");
    }
    UNICODE_STRING counted = Counted(name);
    OBJECT_ATTRIBUTES attributes{};
    InitializeObjectAttributes(&attributes, &counted, 0, folder.Handle(), nullptr);
    IO_STATUS_BLOCK io{};
    UniqueKernelHandle entry;
    const NTSTATUS status =
        ::NtCreateFile(entry.put(), access | FILE_READ_ATTRIBUTES | SYNCHRONIZE, &attributes, &io, nullptr, 0, share,
                       FILE_OPEN, options | kFileOpenReparsePoint | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
    if (status != kStatusSuccess) {
        if (status == kStatusSharingViolation) {
            return Fail(ERROR_SHARING_VIOLATION, SystemMessage(ERROR_SHARING_VIOLATION));
        }
        return std::unexpected(StatusError(status));
    }
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!::GetFileInformationByHandleEx(entry.get(), FileAttributeTagInfo, &tag, sizeof(tag))) {
        return std::unexpected(LastError());
    }
    const EntryLocation location = LocationOf(entry.get(), folder.ObjectName());
    if ((tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || !location.inFolder ||
        ::CompareStringOrdinal(location.leaf.data(), static_cast<int>(location.leaf.size()), name.data(),
                               static_cast<int>(name.size()), TRUE) != CSTR_EQUAL) {
        return Fail(profile_status::kLink, L"It is a link, or leads somewhere else: it is never followed.");
    }
    return entry;
}

struct OpenedFile {
    UniqueKernelHandle handle;
    BY_HANDLE_FILE_INFORMATION info{};
};

// The plain file of this name, on a disk: not a folder, a pipe or a device.
Result<OpenedFile> OpenPlainFile(Win32ProfileFolder& folder, std::wstring_view name, ACCESS_MASK access)
{
    Result<UniqueKernelHandle> entry = OpenEntry(folder, name, access, kShareAll, FILE_NON_DIRECTORY_FILE);
    if (!entry) {
        return std::unexpected(entry.error());
    }
    if (::GetFileType(entry->get()) != FILE_TYPE_DISK) {
        return Fail(profile_status::kNotAFile, L"It is not a plain file.");
    }
    OpenedFile file{std::move(*entry)};
    if (!::GetFileInformationByHandle(file.handle.get(), &file.info)) {
        return std::unexpected(LastError());
    }
    if ((file.info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return Fail(profile_status::kNotAFile, L"It is a folder, not a file.");
    }
    return file;
}

std::uint64_t SizeOf(const BY_HANDLE_FILE_INFORMATION& info)
{
    return (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

FileIdentity IdentityOf(const BY_HANDLE_FILE_INFORMATION& info)
{
    return {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

Result<std::unique_ptr<ProfileFolder>> FolderFrom(UniqueKernelHandle handle)
{
    Result<FolderNames> names = NamesOfFolder(handle.get());
    if (!names) {
        if (names.error().number == ERROR_DIRECTORY) {
            return Fail(profile_status::kNotAFolder, L"It is a file, not a folder.");
        }
        return std::unexpected(names.error());
    }
    return std::make_unique<Win32ProfileFolder>(std::move(handle), std::move(*names));
}

class Win32ProfileFiles final : public ProfileFiles {
public:
    Result<std::unique_ptr<ProfileFolder>> OpenFolder(std::wstring_view path) override
    {
        if (path.empty()) {
            return std::unexpected(Win32Error(ERROR_PATH_NOT_FOUND));
        }
        // A configured folder is taken where it really is: its own links are followed.
        UniqueKernelHandle folder(::CreateFileW(LongPathForm(path).c_str(),
                                                FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE, kShareAll,
                                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (folder.get() == INVALID_HANDLE_VALUE) {
            folder.release();
            return std::unexpected(LastError());
        }
        return FolderFrom(std::move(folder));
    }

    Result<std::unique_ptr<ProfileFolder>> OpenSubfolder(ProfileFolder& parent, std::wstring_view name) override
    {
        Result<UniqueKernelHandle> folder =
            OpenEntry(Native(parent), name, FILE_LIST_DIRECTORY, kShareAll, FILE_DIRECTORY_FILE);
        if (!folder) {
            return std::unexpected(folder.error());
        }
        return FolderFrom(std::move(*folder));
    }

    Result<FileFacts> Examine(ProfileFolder& folder, std::wstring_view name) override
    {
        Result<OpenedFile> file = OpenPlainFile(Native(folder), name, 0);
        if (!file) {
            return std::unexpected(file.error());
        }
        return FileFacts{IdentityOf(file->info), SizeOf(file->info), file->info.nNumberOfLinks};
    }

    Result<std::string> Read(ProfileFolder& folder, std::wstring_view name, std::uint64_t most) override
    {
        return ReadFrom(folder, name, most, true);
    }

    Result<std::string> ReadStart(ProfileFolder& folder, std::wstring_view name, std::size_t most) override
    {
        return ReadFrom(folder, name, most, false);
    }

    // A program that holds a file without sharing read refuses every other reader.
    bool HeldByAnother(ProfileFolder& folder, std::wstring_view name) override
    {
        const Result<UniqueKernelHandle> entry =
            OpenEntry(Native(folder), name, FILE_READ_DATA, kShareAll, FILE_NON_DIRECTORY_FILE);
        return !entry && entry.error().number == ERROR_SHARING_VIOLATION;
    }

    Result<FileIdentity> OpenedDatabase(sqlite3* connection) override
    {
        HANDLE file = nullptr;
        if (::sqlite3_file_control(connection, "main", SQLITE_FCNTL_WIN32_GET_HANDLE, &file) != SQLITE_OK ||
            file == nullptr || file == INVALID_HANDLE_VALUE) {
            return Fail(profile_status::kLink, L"The database's file cannot be identified.");
        }
        BY_HANDLE_FILE_INFORMATION info{};
        if (!::GetFileInformationByHandle(file, &info)) {
            return std::unexpected(LastError());
        }
        return IdentityOf(info);
    }

    wchar_t Separator() const override { return L'\\'; }

private:
    // The file's bytes up to `most`; with `whole`, refused when it holds more.
    static Result<std::string> ReadFrom(ProfileFolder& folder, std::wstring_view name, std::uint64_t most, bool whole)
    {
        Result<OpenedFile> file = OpenPlainFile(Native(folder), name, FILE_READ_DATA);
        if (!file) {
            return std::unexpected(file.error());
        }
        const std::uint64_t size = SizeOf(file->info);
        if (whole && size > most) {
            return Fail(profile_status::kTooLarge, L"The file is larger than " + std::to_wstring(most) + L" bytes.");
        }
        std::string bytes(static_cast<std::size_t>(std::min(size, most)), '\0');
        DWORD read = 0;
        if (!bytes.empty() &&
            !::ReadFile(file->handle.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
            return std::unexpected(LastError());
        }
        bytes.resize(read);
        return bytes;
    }
};

}  // namespace
}  // namespace nivaro::win32

namespace nivaro {

std::unique_ptr<ProfileFiles> MakeProfileFiles()
{
    return std::make_unique<win32::Win32ProfileFiles>();
}

}  // namespace nivaro
