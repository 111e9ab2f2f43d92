#include "platform/win32/folder_identity.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "platform/utf8.h"
#include "platform/win32/final_path.h"
#include "platform/win32/nt_api.h"
#include "platform/win32/unique_handles.h"
#include "platform/win32/win32_error.h"

namespace nivaro::win32 {
namespace {

constexpr auto npos = std::wstring_view::npos;

UniqueFile OpenForIdentity(const std::wstring& path)
{
    return UniqueFile(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

Result<std::uint32_t> SerialOf(HANDLE handle)
{
    DWORD serial = 0;
    if (!::GetVolumeInformationByHandleW(handle, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) {
        return std::unexpected(LastError());
    }
    return serial;
}

// The serial number of the volume a final path is on. Wine asks its mount manager, another
// process, for it on every call: a hundred times what the folder's own number costs. So it is
// asked once for each root that final paths name, of the root itself, and kept. A volume mounted
// in a folder of another is named by that one's root and takes its serial here: two folders can
// then only look alike, never one folder different, which can only protect more. A root that
// cannot be opened leaves each folder under it its own serial.
Result<std::uint32_t> VolumeSerial(HANDLE folder, std::wstring_view final)
{
    const std::size_t rootLength = RootLength(final);
    if (rootLength == npos) {
        return SerialOf(folder);
    }
    static std::mutex mutex;
    static std::map<std::wstring, std::uint32_t, std::less<>> serials;
    const std::wstring_view root = final.substr(0, rootLength);
    const std::lock_guard lock(mutex);
    if (const auto known = serials.find(root); known != serials.end()) {
        return known->second;
    }
    const UniqueFile opened = OpenForIdentity(std::wstring(root));
    const Result<std::uint32_t> serial = opened ? SerialOf(opened.get()) : SerialOf(folder);
    if (serial && opened) {
        serials.emplace(root, *serial);
    }
    return serial;
}

// The identity of what is at a path, its links followed.
std::optional<FolderIdentity> IdentityAt(const std::wstring& path)
{
    const UniqueFile opened = OpenForIdentity(path);
    const std::optional<std::wstring> name = opened ? ObjectName(opened.get()) : std::nullopt;
    const std::optional<std::wstring> final = name ? DisplayPath(opened.get(), *name) : std::nullopt;
    if (!final) {
        return std::nullopt;
    }
    const Result<FolderIdentity> identity = IdentityOf(opened.get(), *final);
    return identity ? std::optional(*identity) : std::nullopt;
}

// True for the root of a drive letter's final path, \\?\C:\ .
bool IsDriveRoot(std::wstring_view final)
{
    return final.size() == 7 && final.starts_with(L"\\\\?\\") && final[5] == L':' && final[6] == L'\\';
}

// What Wine tells of its drives, which are folders of the Linux tree: Windows has none of it.
// Wine names a handle by the deepest drive that holds it, and gives a folder the serial number of
// that drive: so a folder has one identity whichever drive it is reached through. What is learnt
// of a drive is kept for the process: the Linux folders that hold a drive do not move under it.
class WineDrives {
public:
    static WineDrives& Get()
    {
        static WineDrives drives;
        return drives;
    }

    bool IsWine() const { return toUnix_ != nullptr; }

    // The folders that hold a drive's root (\\?\C:\) in the Linux tree, nearest first, as far as
    // the drive's own Linux path tells them; nothing for the drive that is the Linux root.
    std::vector<FolderIdentity> Above(std::wstring_view root) { return Learn(root).above; }

    // Whether the drive whose root this is (\\?\Z:\) is the Linux root.
    bool IsLinuxRoot(std::wstring_view root) { return Learn(root).linuxRoot; }

private:
    using ToUnix = char*(__cdecl*)(LPCWSTR);

    struct Drive {
        bool linuxRoot = false;
        std::vector<FolderIdentity> above;
    };

    WineDrives()
        : toUnix_(reinterpret_cast<ToUnix>(
              reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name"))))
    {
        if (toUnix_ != nullptr) {
            linuxRoot_ = IdentityAt(L"\\\\?\\unix\\");
        }
    }

    const Drive& Learn(std::wstring_view root)
    {
        const std::lock_guard lock(mutex_);
        if (const auto known = drives_.find(root); known != drives_.end()) {
            return known->second;
        }
        Drive drive;
        if (IsWine() && IsDriveRoot(root)) {
            drive.linuxRoot = IdentityAt(std::wstring(root)) == linuxRoot_;
            if (!drive.linuxRoot) {
                drive.above = LinuxHolders(std::wstring(root.substr(4)));
            }
        }
        return drives_.emplace(root, std::move(drive)).first->second;
    }

    std::vector<FolderIdentity> LinuxHolders(const std::wstring& root) const
    {
        std::vector<FolderIdentity> above;
        char* linuxPath = toUnix_(root.c_str());
        if (linuxPath == nullptr) {
            return above;
        }
        std::wstring path = FromUtf8(linuxPath);
        ::HeapFree(::GetProcessHeap(), 0, linuxPath);
        while (path.ends_with(L'/')) {
            path.pop_back();
        }
        for (std::size_t slash = path.rfind(L'/'); slash != npos; slash = path.rfind(L'/')) {
            path.resize(slash);
            std::wstring native = L"\\\\?\\unix" + path + L"\\";
            std::ranges::replace(native, L'/', L'\\');
            if (const std::optional<FolderIdentity> identity = IdentityAt(native)) {
                above.push_back(*identity);
            }
        }
        return above;
    }

    ToUnix toUnix_ = nullptr;
    std::optional<FolderIdentity> linuxRoot_;
    std::mutex mutex_;
    std::map<std::wstring, Drive, std::less<>> drives_;  // by root, \\?\C:\ ; a map keeps each in place
};

}  // namespace

Result<FolderIdentity> IdentityOf(HANDLE folder, std::wstring_view final)
{
    // The number alone is the file's own; the serial is the volume's, asked once for each.
    LARGE_INTEGER number{};
    IO_STATUS_BLOCK io{};
    const NTSTATUS status = ::NtQueryInformationFile(folder, &io, &number, sizeof(number),
                                                     static_cast<FILE_INFORMATION_CLASS>(kFileInternalInformation));
    if (status != kStatusSuccess) {
        return std::unexpected(Win32Error(::RtlNtStatusToDosError(status)));
    }
    const Result<std::uint32_t> serial = VolumeSerial(folder, final);
    if (!serial) {
        return std::unexpected(serial.error());
    }
    const auto whole = static_cast<std::uint64_t>(number.QuadPart);
    return FolderIdentity{*serial, whole >> 32, whole & 0xFFFFFFFFu};
}

std::vector<FolderIdentity> LineageOf(const FolderIdentity& folder, std::wstring_view final,
                                      std::span<const FolderIdentity> known)
{
    std::vector<FolderIdentity> lineage{folder};
    const auto ended = [&] { return std::ranges::find(known, lineage.back()) != known.end(); };
    const std::size_t rootLength = RootLength(final);
    if (rootLength == npos) {
        return lineage;
    }
    // A final path names no link: each shorter path names a folder that holds it.
    std::wstring path(final);
    while (path.size() > rootLength && !ended()) {
        path.resize(std::max(path.rfind(L'\\'), rootLength));
        const UniqueFile opened = OpenForIdentity(path);
        if (!opened) {
            continue;
        }
        if (const Result<FolderIdentity> identity = IdentityOf(opened.get(), path)) {
            lineage.push_back(*identity);
        }
    }
    if (!ended() && IsDriveRoot(path)) {
        for (const FolderIdentity& above : WineDrives::Get().Above(path)) {
            lineage.push_back(above);
            if (ended()) {
                break;
            }
        }
    }
    return lineage;
}

bool OutsideTheDrives(std::wstring_view final)
{
    WineDrives& drives = WineDrives::Get();
    if (!drives.IsWine()) {
        return false;
    }
    return final.size() < 7 || !IsDriveRoot(final.substr(0, 7)) || drives.IsLinuxRoot(final.substr(0, 7));
}

}  // namespace nivaro::win32
