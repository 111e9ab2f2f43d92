#include "platform/win32/win32_file_system.h"

#include <windows.h>
#include <winioctl.h>

#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/backend.h"
#include "platform/path_join.h"
#include "platform/win32/final_path.h"
#include "platform/win32/folder_identity.h"
#include "platform/win32/handle_names.h"
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

// What tells one folder from every other: where the object manager says the handle is, which
// names its volume (\Device\HarddiskVolume3\dir on Windows), and its index on that volume.
// Neither asks the volume for its serial number, a round trip to Wine's mount manager that would
// cost more than the rest of an entry's delete. Nothing when either cannot be had.
struct Identity {
    std::wstring objectName;
    LONGLONG index = 0;

    bool operator==(const Identity&) const = default;
};

std::optional<Identity> PlaceIdentityOf(HANDLE handle)
{
    LARGE_INTEGER index{};
    IO_STATUS_BLOCK io{};
    if (::NtQueryInformationFile(handle, &io, &index, sizeof(index),
                                 static_cast<FILE_INFORMATION_CLASS>(kFileInternalInformation)) != kStatusSuccess) {
        return std::nullopt;
    }
    std::optional<std::wstring> objectName = ObjectName(handle);
    if (!objectName) {
        return std::nullopt;
    }
    return Identity{std::move(*objectName), index.QuadPart};
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
    std::optional<std::string> ReadWhole(std::size_t most) override
    {
        UNICODE_STRING none{};
        OBJECT_ATTRIBUTES attributes{};
        InitializeObjectAttributes(&attributes, &none, 0, handle_.get(), nullptr);
        IO_STATUS_BLOCK io{};
        UniqueKernelHandle reader;
        if (::NtCreateFile(reader.put(), FILE_READ_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE, &attributes, &io, nullptr,
                           0, kShareAll, FILE_OPEN, FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT, nullptr,
                           0) != kStatusSuccess) {
            return std::nullopt;
        }
        LARGE_INTEGER size{};
        if (!::GetFileSizeEx(reader.get(), &size) || static_cast<std::uint64_t>(size.QuadPart) > most) {
            return std::nullopt;
        }
        // One byte more than the size: a file that grew since is seen to be larger than it was.
        std::string bytes(static_cast<std::size_t>(size.QuadPart) + 1, '\0');
        std::size_t filled = 0;
        for (DWORD read = 1; read > 0 && filled < bytes.size();) {
            if (!::ReadFile(reader.get(), bytes.data() + filled, static_cast<DWORD>(bytes.size() - filled), &read,
                            nullptr)) {
                return std::nullopt;
            }
            filled += read;
        }
        if (filled > most) {
            return std::nullopt;
        }
        bytes.resize(filled);
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
    Win32FolderHandle(UniqueFile handle, std::wstring objectName, std::wstring final,
                      std::optional<FolderIdentity> identity)
        : handle_(std::move(handle)), objectName_(std::move(objectName)), final_(std::move(final)),
          path_(Readable(final_)), identity_(identity)
    {
    }

    std::vector<FolderIdentity> Lineage(std::span<const FolderIdentity> known) const override
    {
        return identity_ ? LineageOf(*identity_, final_, known) : std::vector<FolderIdentity>{};
    }

    bool OutsideTheDrives() const override { return win32::OutsideTheDrives(final_); }

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
    // in a run: the name is asked after its folder was removed. A name that is not there may cost
    // Wine a search of the whole folder for it in another case: never asked once per entry.
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

    // The final path the folder was opened at, opened again for its attributes only, a link there
    // as itself. Every name on that path exists while the folder is in place, so that no lookup
    // falls back to searching a folder for a name in another case.
    bool StillInPlace() override
    {
        if (!placeIdentity_) {
            placeIdentity_ = PlaceIdentityOf(handle_.get());
        }
        const UniqueFile there(::CreateFileW(final_.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                             FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!there || !placeIdentity_) {
            return false;
        }
        return PlaceIdentityOf(there.get()) == placeIdentity_;
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
        const Result<FolderIdentity> identity = IdentityOf(folder.get(), final);
        return {FolderOpen::kOpened, ERROR_SUCCESS,
                std::make_unique<Win32FolderHandle>(UniqueFile(folder.release()), std::move(*objectName), std::move(final),
                                                    identity ? std::optional(*identity) : std::nullopt),
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
    std::optional<FolderIdentity> identity_;  // none when its volume will not say which it is
    std::optional<Identity> placeIdentity_;  // asked once, the first time it is compared
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
    Result<FolderNames> names = NamesOfFolder(folder.get());
    if (!names) {
        return std::unexpected(names.error());
    }
    // A folder whose volume will not tell its serial (under Wine, a drive added while Wine runs,
    // which its mount manager has not learnt) still opens: with no identity to compare, the
    // protection check refuses it and says why, instead of its clean failing as if it were absent.
    const Result<FolderIdentity> identity = IdentityOf(folder.get(), names->final);
    return std::make_unique<Win32FolderHandle>(std::move(folder), std::move(names->objectName), std::move(names->final),
                                               identity ? std::optional(*identity) : std::nullopt);
}

}  // namespace nivaro::win32

namespace nivaro {

std::unique_ptr<FileSystem> MakeFileSystem()
{
    return std::make_unique<win32::Win32FileSystem>();
}

}  // namespace nivaro
