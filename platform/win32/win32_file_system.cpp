#include "platform/win32/win32_file_system.h"

#include <windows.h>
#include <winioctl.h>

#include <memory>
#include <vector>

#include "platform/backend.h"
#include "platform/path_join.h"
#include "platform/win32/long_path.h"
#include "platform/win32/nt_api.h"
#include "platform/win32/unique_handles.h"
#include "platform/win32/win32_error.h"

namespace nivaro::win32 {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// One native listing call fills this much; the entries come out of it a batch at a time.
constexpr std::size_t kListingBytes = 64 * 1024;

bool IsDotEntry(std::wstring_view name)
{
    return name == L"." || name == L"..";
}

// Where a handle really is, in the object manager's own words: \??\C:\dir\name under Wine,
// \Device\HarddiskVolume3\dir\name on Windows. Asked of the native call, which has no length limit.
std::optional<std::wstring> ObjectName(HANDLE handle)
{
    std::vector<std::byte> buffer(1024);
    for (;;) {
        ULONG needed = 0;
        const NTSTATUS status = ::NtQueryObject(handle, ObjectNameInformation, buffer.data(),
                                                static_cast<ULONG>(buffer.size()), &needed);
        if (status == kStatusSuccess) {
            const auto* name = reinterpret_cast<const UNICODE_STRING*>(buffer.data());
            return std::wstring(name->Buffer, name->Length / sizeof(wchar_t));
        }
        if (needed <= buffer.size() || buffer.size() > 0x20000) {
            return std::nullopt;
        }
        buffer.resize(needed);
    }
}

// The folder as people write it. An object name already in DOS form (\??\C:\dir, as Wine gives
// it) is that path, and the final path would be made from it by another round trip; a device's
// name (\Device\HarddiskVolume3\dir, as Windows gives it) becomes the final path.
std::optional<std::wstring> DisplayPath(HANDLE handle, const std::wstring& objectName)
{
    if (objectName.starts_with(L"\\??\\")) {
        return L"\\\\?\\" + objectName.substr(4);
    }
    std::wstring path(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD written = ::GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()),
                                                          FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (written == 0) {
            break;
        }
        if (written < path.size()) {
            path.resize(written);
            return path;
        }
        path.resize(written);  // the size it needs, with its NUL
    }
    return std::nullopt;
}

// The path as people write it: without the \\?\ that the final path carries.
std::wstring Readable(std::wstring_view final)
{
    if (final.starts_with(L"\\\\?\\UNC\\")) {
        return L"\\\\" + std::wstring(final.substr(8));
    }
    if (final.starts_with(L"\\\\?\\") && final.size() >= 6 && final[5] == L':') {
        return std::wstring(final.substr(4));
    }
    return std::wstring(final);
}

EntryOpen OutcomeOf(NTSTATUS status)
{
    switch (status) {
    case kStatusSuccess:
        return EntryOpen::kOpened;
    case kStatusFileIsADirectory:
        return EntryOpen::kDirectory;
    case kStatusSharingViolation:
        return EntryOpen::kLocked;
    case kStatusAccessDenied:
    case kStatusDeletePending:
        return EntryOpen::kDenied;
    case kStatusObjectNameNotFound:
        return EntryOpen::kNotFound;
    case kStatusObjectNameInvalid:
    case kStatusObjectPathNotFound:
    case kStatusObjectPathSyntaxBad:
        return EntryOpen::kBadName;
    case kStatusNoSuchDevice:
        return EntryOpen::kNotAFile;
    default:
        return EntryOpen::kFailed;
    }
}

FolderOpen FolderOutcomeOf(NTSTATUS status)
{
    switch (status) {
    case kStatusSuccess:
        return FolderOpen::kOpened;
    case kStatusNotADirectory:
        return FolderOpen::kNotAFolder;
    case kStatusAccessDenied:
    case kStatusDeletePending:
    case kStatusSharingViolation:
        return FolderOpen::kDenied;
    case kStatusObjectNameNotFound:
        return FolderOpen::kNotFound;
    case kStatusObjectNameInvalid:
    case kStatusObjectPathNotFound:
    case kStatusObjectPathSyntaxBad:
        return FolderOpen::kBadName;
    default:
        return FolderOpen::kFailed;
    }
}

// Where an entry opened relative to a folder really is: in that folder or not, and by what name.
EntryLocation LocationOf(HANDLE entry, const std::wstring& folderObjectName)
{
    EntryLocation location;
    if (const std::optional<std::wstring> where = ObjectName(entry)) {
        const std::size_t slash = where->rfind(L'\\');
        // A root's own name keeps its separator: \??\C:\ holds \??\C:\name.
        const std::size_t parentEnd = folderObjectName.ends_with(L'\\') ? slash + 1 : slash;
        location.inFolder =
            slash != std::wstring::npos && std::wstring_view(*where).substr(0, parentEnd) == folderObjectName;
        location.leaf = where->substr(slash == std::wstring::npos ? 0 : slash + 1);
    }
    return location;
}

// Opens the entry of exactly this name relative to a folder's handle, never through a link.
NTSTATUS OpenRelative(HANDLE folder, std::wstring_view name, ACCESS_MASK access, ULONG options, UniqueKernelHandle& out)
{
    UNICODE_STRING counted = Counted(name);
    OBJECT_ATTRIBUTES attributes{};
    InitializeObjectAttributes(&attributes, &counted, 0, folder, nullptr);
    IO_STATUS_BLOCK io{};
    return ::NtCreateFile(out.put(), access | SYNCHRONIZE, &attributes, &io, nullptr, 0, kShareAll, FILE_OPEN,
                          options | kFileOpenReparsePoint | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
}

bool IsAddressable(std::wstring_view name)
{
    return !name.empty() && name.size() <= kMaxCountedChars / 2;
}

class Win32EntryHandle final : public EntryHandle {
public:
    Win32EntryHandle(UniqueKernelHandle handle, EntryLocation location)
        : handle_(std::move(handle)), location_(std::move(location))
    {
    }

    const EntryLocation& Location() const override { return location_; }

    bool IsFile() override
    {
        FILE_FS_DEVICE_INFORMATION device{};
        IO_STATUS_BLOCK io{};
        if (::NtQueryVolumeInformationFile(handle_.get(), &io, &device, sizeof(device),
                                           static_cast<FS_INFORMATION_CLASS>(kFileFsDeviceInformation)) != kStatusSuccess) {
            return false;
        }
        switch (device.DeviceType) {
        case FILE_DEVICE_CD_ROM:
        case FILE_DEVICE_CD_ROM_FILE_SYSTEM:
        case FILE_DEVICE_DISK:
        case FILE_DEVICE_DISK_FILE_SYSTEM:
        case FILE_DEVICE_NETWORK_FILE_SYSTEM:
        case FILE_DEVICE_VIRTUAL_DISK:
            return true;
        default:
            return false;  // a pipe, a mailslot, a console or another device
        }
    }

    // Read through a second handle that the entry's own handle opens, so that the name is not
    // looked up again.
    std::optional<std::string> ReadStart(std::size_t most) override
    {
        UNICODE_STRING none{};
        OBJECT_ATTRIBUTES attributes{};
        InitializeObjectAttributes(&attributes, &none, 0, handle_.get(), nullptr);
        IO_STATUS_BLOCK io{};
        UniqueKernelHandle reader;
        if (::NtCreateFile(reader.put(), FILE_READ_DATA | SYNCHRONIZE, &attributes, &io, nullptr, 0, kShareAll, FILE_OPEN,
                           FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0) != kStatusSuccess) {
            return std::nullopt;
        }
        std::string bytes(most, '\0');
        DWORD read = 0;
        if (!::ReadFile(reader.get(), bytes.data(), static_cast<DWORD>(most), &read, nullptr)) {
            return std::nullopt;
        }
        bytes.resize(read);
        return bytes;
    }

    // The disposition is set on this very handle; the entry goes when the handle closes.
    DeleteOutcome Delete() override
    {
        FILE_DISPOSITION_INFO disposition{TRUE};
        IO_STATUS_BLOCK io{};
        const NTSTATUS status =
            ::NtSetInformationFile(handle_.get(), &io, &disposition, sizeof(disposition),
                                   static_cast<FILE_INFORMATION_CLASS>(kFileDispositionInformation));
        if (status == kStatusSuccess) {
            return DeleteOutcome::kDeleted;
        }
        if (status == kStatusCannotDelete) {
            return DeleteOutcome::kReadOnly;
        }
        return IsFile() ? DeleteOutcome::kRefused : DeleteOutcome::kNotAFile;
    }

private:
    UniqueKernelHandle handle_;
    EntryLocation location_;
};

class Win32FolderHandle final : public FolderHandle {
public:
    Win32FolderHandle(UniqueFile handle, std::wstring objectName, std::wstring final)
        : handle_(std::move(handle)), objectName_(std::move(objectName)), final_(std::move(final)),
          path_(Readable(final_))
    {
    }

    const std::wstring& Path() const override { return path_; }

    bool IsVolumeRoot() const override
    {
        // C:\ once the \\?\ is off, or a volume's own name, \\?\Volume{...}\.
        return (path_.size() == 3 && path_[1] == L':' && path_[2] == L'\\') ||
               (final_.starts_with(L"\\\\?\\Volume{") && final_.find(L'\\', 4) == final_.size() - 1);
    }

    EntryOpening Open(std::wstring_view name) override
    {
        if (!IsAddressable(name)) {
            return {EntryOpen::kBadName, ERROR_INVALID_NAME, nullptr};
        }
        UniqueKernelHandle entry;
        // Never a folder and never through a link: a link is opened as itself.
        const NTSTATUS status =
            OpenRelative(handle_.get(), name, DELETE | FILE_READ_ATTRIBUTES, FILE_NON_DIRECTORY_FILE, entry);
        if (status != kStatusSuccess) {
            return {OutcomeOf(status), static_cast<long>(::RtlNtStatusToDosError(status)), nullptr};
        }
        EntryLocation location = LocationOf(entry.get(), objectName_);
        return {EntryOpen::kOpened, ERROR_SUCCESS, std::make_unique<Win32EntryHandle>(std::move(entry), std::move(location))};
    }

    // One open by the name; only when it finds something is it asked where that is, which is rare
    // in a run: the name is asked after its entry was deleted.
    bool Holds(std::wstring_view name) override
    {
        if (!IsAddressable(name)) {
            return false;
        }
        UniqueKernelHandle entry;
        if (OpenRelative(handle_.get(), name, FILE_READ_ATTRIBUTES, 0, entry) != kStatusSuccess) {
            return false;
        }
        const EntryLocation location = LocationOf(entry.get(), objectName_);
        const std::size_t last = name.find_last_not_of(L". ");
        const std::wstring_view trimmed = last == std::wstring_view::npos ? std::wstring_view() : name.substr(0, last + 1);
        return location.inFolder && (location.leaf == name || location.leaf == trimmed);
    }

    FolderOpening OpenSubfolder(std::wstring_view name, bool forRemoval) override
    {
        if (!IsAddressable(name)) {
            return {FolderOpen::kBadName, ERROR_INVALID_NAME, nullptr, {}};
        }
        UniqueKernelHandle folder;
        const ACCESS_MASK access = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | (forRemoval ? DELETE : 0);
        const NTSTATUS status = OpenRelative(handle_.get(), name, access, FILE_DIRECTORY_FILE, folder);
        if (status != kStatusSuccess) {
            return {FolderOutcomeOf(status), static_cast<long>(::RtlNtStatusToDosError(status)), nullptr, {}};
        }
        // Opened as itself, a junction or a symbolic link shows its reparse point.
        FILE_BASIC_INFO basic{};
        if (!::GetFileInformationByHandleEx(folder.get(), FileBasicInfo, &basic, sizeof(basic))) {
            return {FolderOpen::kFailed, static_cast<long>(::GetLastError()), nullptr, {}};
        }
        if ((basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            return {FolderOpen::kLink, ERROR_SUCCESS, nullptr, {}};
        }
        std::optional<std::wstring> objectName = ObjectName(folder.get());
        if (!objectName) {
            return {FolderOpen::kFailed, ERROR_PATH_NOT_FOUND, nullptr, {}};
        }
        EntryLocation location = LocationOf(folder.get(), objectName_);
        std::wstring final = JoinPath(final_, location.leaf, L'\\');
        return {FolderOpen::kOpened, ERROR_SUCCESS,
                std::make_unique<Win32FolderHandle>(UniqueFile(folder.release()), std::move(*objectName), std::move(final)),
                std::move(location)};
    }

    DeleteOutcome RemoveIfEmpty() override
    {
        // The folder's own listing, from its start: . and .. are all an empty folder holds.
        std::vector<std::byte> buffer(kListingBytes);
        IO_STATUS_BLOCK io{};
        const NTSTATUS listed = ::NtQueryDirectoryFile(
            handle_.get(), nullptr, nullptr, nullptr, &io, buffer.data(), static_cast<ULONG>(buffer.size()),
            static_cast<FILE_INFORMATION_CLASS>(kFileDirectoryInformation), FALSE, nullptr, TRUE);
        if (listed != kStatusSuccess && listed != kStatusNoMoreFiles) {
            return DeleteOutcome::kRefused;
        }
        bool empty = true;
        if (listed == kStatusSuccess) {
            ForEachListed(buffer, [&](std::wstring_view name, const FILE_DIRECTORY_INFORMATION&) {
                empty = empty && IsDotEntry(name);
            });
        }
        if (!empty) {
            return DeleteOutcome::kNotEmpty;
        }
        FILE_DISPOSITION_INFO disposition{TRUE};
        const NTSTATUS status =
            ::NtSetInformationFile(handle_.get(), &io, &disposition, sizeof(disposition),
                                   static_cast<FILE_INFORMATION_CLASS>(kFileDispositionInformation));
        switch (status) {
        case kStatusSuccess:
            return DeleteOutcome::kDeleted;
        case kStatusDirectoryNotEmpty:
            return DeleteOutcome::kNotEmpty;
        case kStatusCannotDelete:
            return DeleteOutcome::kReadOnly;
        default:
            return DeleteOutcome::kRefused;
        }
    }

    Result<bool> Next(std::vector<ShellEntry>& out, std::size_t most) override
    {
        std::size_t added = 0;
        while (added < most) {
            if (pending_.empty()) {
                if (done_) {
                    return added > 0;
                }
                if (auto read = ReadListing(); !read) {
                    return std::unexpected(read.error());
                }
                continue;
            }
            out.push_back(std::move(pending_.back()));
            pending_.pop_back();
            ++added;
        }
        return true;
    }

private:
    template <class Visit>
    static void ForEachListed(const std::vector<std::byte>& buffer, Visit visit)
    {
        std::size_t offset = 0;
        for (;;) {
            const auto* info = reinterpret_cast<const FILE_DIRECTORY_INFORMATION*>(buffer.data() + offset);
            visit(std::wstring_view(info->FileName, info->FileNameLength / sizeof(wchar_t)), *info);
            if (info->NextEntryOffset == 0) {
                return;
            }
            offset += info->NextEntryOffset;
        }
    }

    Result<> ReadListing()
    {
        std::vector<std::byte> buffer(kListingBytes);
        IO_STATUS_BLOCK io{};
        const NTSTATUS status = ::NtQueryDirectoryFile(
            handle_.get(), nullptr, nullptr, nullptr, &io, buffer.data(), static_cast<ULONG>(buffer.size()),
            static_cast<FILE_INFORMATION_CLASS>(kFileDirectoryInformation), FALSE, nullptr, !started_);
        started_ = true;
        if (status == kStatusNoMoreFiles) {
            done_ = true;
            return {};
        }
        if (status != kStatusSuccess) {
            return std::unexpected(Win32Error(::RtlNtStatusToDosError(status)));
        }
        std::vector<ShellEntry> read;
        ForEachListed(buffer, [&](std::wstring_view name, const FILE_DIRECTORY_INFORMATION& info) {
            if (IsDotEntry(name)) {
                return;
            }
            read.push_back({std::wstring(name), std::wstring(name), JoinPath(path_, name, L'\\'), info.FileAttributes,
                            static_cast<std::uint64_t>(info.EndOfFile.QuadPart)});
        });
        // Handed out from the back: reversed here, so that they leave in listing order.
        pending_.assign(std::make_move_iterator(read.rbegin()), std::make_move_iterator(read.rend()));
        return {};
    }

    UniqueFile handle_;
    std::wstring objectName_;  // what entries' names are compared with
    std::wstring final_;       // \\?\C:\dir
    std::wstring path_;        // C:\dir
    std::vector<ShellEntry> pending_;
    bool started_ = false;
    bool done_ = false;
};

bool IsDriveLetter(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

bool IsSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

}  // namespace

PathForm Win32FileSystem::Form(std::wstring_view path)
{
    if (path.empty()) {
        return PathForm::kEmpty;
    }
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        // \\?\ and \\.\ name a local path behind them, unless it is UNC\; anything else is a share.
        if (path.size() >= 4 && (path[2] == L'?' || path[2] == L'.') && IsSeparator(path[3])) {
            const std::wstring_view rest = path.substr(4);
            const bool unc = rest.size() >= 3 && (rest[0] == L'U' || rest[0] == L'u') &&
                             (rest[1] == L'N' || rest[1] == L'n') && (rest[2] == L'C' || rest[2] == L'c') &&
                             (rest.size() == 3 || IsSeparator(rest[3]));
            return unc ? PathForm::kNetwork : PathForm::kFull;
        }
        return PathForm::kNetwork;
    }
    if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == L':' && IsSeparator(path[2])) {
        return PathForm::kFull;
    }
    return PathForm::kRelative;  // "dir", "\dir" and "C:dir" all hang on a current folder or drive
}

bool Win32FileSystem::Exists(std::wstring_view path)
{
    return !path.empty() && ::GetFileAttributesW(LongPathForm(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

Result<std::string> Win32FileSystem::ReadFile(std::wstring_view path)
{
    const UniqueFile file(::CreateFileW(LongPathForm(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.get(), &size)) {
        return std::unexpected(LastError());
    }
    if (static_cast<std::uint64_t>(size.QuadPart) > kLargestReadableFile) {
        return std::unexpected(FileTooLarge());
    }
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
        return std::unexpected(LastError());
    }
    bytes.resize(read);
    return bytes;
}

Result<std::unique_ptr<FolderHandle>> Win32FileSystem::OpenFolder(std::wstring_view path)
{
    if (path.empty()) {
        return std::unexpected(Win32Error(ERROR_PATH_NOT_FOUND));
    }
    // The folder's own links are followed: it is cleaned where it really is.
    UniqueFile folder(::CreateFileW(LongPathForm(path).c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                    kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder) {
        return std::unexpected(LastError());
    }
    // The basic information, not the whole: that asks the volume for its serial number, a round
    // trip to Wine's mount manager that costs more than the rest of the open.
    FILE_BASIC_INFO info{};
    if (!::GetFileInformationByHandleEx(folder.get(), FileBasicInfo, &info, sizeof(info))) {
        return std::unexpected(LastError());
    }
    if ((info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return std::unexpected(Win32Error(ERROR_DIRECTORY));
    }
    std::optional<std::wstring> objectName = ObjectName(folder.get());
    std::optional<std::wstring> final = objectName ? DisplayPath(folder.get(), *objectName) : std::nullopt;
    if (!final) {
        return std::unexpected(Win32Error(ERROR_PATH_NOT_FOUND));
    }
    // A root's final path ends in its separator, \\?\C:\ ; a folder's does not.
    const bool driveRoot = final->size() == 7 && (*final)[5] == L':';
    if (final->ends_with(L'\\') && !driveRoot && !final->starts_with(L"\\\\?\\Volume{")) {
        final->pop_back();
    }
    if (objectName->ends_with(L'\\') && !final->ends_with(L'\\')) {
        objectName->pop_back();  // a folder's name has no separator at its end, only a root's does
    }
    return std::make_unique<Win32FolderHandle>(std::move(folder), std::move(*objectName), std::move(*final));
}

}  // namespace nivaro::win32

namespace nivaro {

std::unique_ptr<FileSystem> MakeFileSystem()
{
    return std::make_unique<win32::Win32FileSystem>();
}

}  // namespace nivaro
