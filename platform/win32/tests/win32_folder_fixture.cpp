#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <vector>

#include "tests/support/folder_fixture.h"
#include "platform/win32/long_path.h"
#include "platform/win32/tests/test_shell_folder.h"
#include "platform/win32/this_program.h"
#include "platform/win32/unique_handles.h"
#include "platform/win32/win32_error.h"

namespace nivaro {
namespace {

using win32::LongPathForm;
using win32::UniqueFile;
using win32::UniqueFind;

class OpenFileHold final : public FileHold {
public:
    explicit OpenFileHold(UniqueFile file) : file_(std::move(file)) {}

private:
    UniqueFile file_;
};

std::wstring TempFolder()
{
    const DWORD needed = ::GetTempPathW(0, nullptr);
    std::wstring path(needed, L'\0');
    const DWORD written = ::GetTempPathW(needed, path.data());
    path.resize(written < needed ? written : 0);
    while (path.ends_with(L'\\')) {
        path.pop_back();
    }
    return path;
}

template <class Visit>
void ForEachFound(const std::wstring& folder, Visit visit)
{
    WIN32_FIND_DATAW data{};
    const UniqueFind find(::FindFirstFileExW(LongPathForm(FolderFixture::Join(folder, L"*")).c_str(), FindExInfoBasic,
                                             &data, FindExSearchNameMatch, nullptr, 0));
    if (!find) {
        return;
    }
    do {
        const std::wstring_view name = data.cFileName;
        if (name != L"." && name != L"..") {
            visit(name, data);
        }
    } while (::FindNextFileW(find.get(), &data));
}

template <class Visit>
void ForEachEntry(const std::wstring& folder, Visit visit)
{
    ForEachFound(folder, [&](std::wstring_view name, const WIN32_FIND_DATAW& data) { visit(name, data.dwFileAttributes); });
}

std::optional<std::string> ReadAll(const std::wstring& path)
{
    const UniqueFile file(::CreateFileW(LongPathForm(path).c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return std::nullopt;
    }
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        bytes.append(buffer, read);
    }
    return bytes;
}

void AddTree(const std::wstring& folder, const std::wstring& relative, std::wstring_view sizeOnly,
             std::map<std::wstring, FolderFixture::TreeEntry>& tree)
{
    ForEachFound(folder, [&](std::wstring_view name, const WIN32_FIND_DATAW& data) {
        const std::wstring key = relative.empty() ? std::wstring(name) : relative + L"/" + std::wstring(name);
        FolderFixture::TreeEntry& entry = tree[key];
        entry.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (entry.folder) {
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 && name.find(L'\\') == std::wstring_view::npos) {
                AddTree(FolderFixture::Join(folder, name), key, sizeOnly, tree);
            }
            return;
        }
        entry.size = static_cast<std::uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
        const bool underSizeOnly = key.starts_with(std::wstring(sizeOnly) + L"/");
        if (!underSizeOnly && name.find(L'\\') == std::wstring_view::npos) {
            entry.bytes = ReadAll(FolderFixture::Join(folder, name));
        }
    });
}

// A junction or a link goes as itself; what it points at is never entered.
void RemoveTree(const std::wstring& folder)
{
    ForEachEntry(folder, [&](std::wstring_view name, DWORD attributes) {
        const std::wstring path = FolderFixture::Join(folder, name);
        const std::wstring full = LongPathForm(path);
        if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            ::SetFileAttributesW(full.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
        }
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            ::DeleteFileW(full.c_str());
            return;
        }
        if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
            RemoveTree(path);
        }
        ::RemoveDirectoryW(full.c_str());
    });
    ::RemoveDirectoryW(LongPathForm(folder).c_str());
}

bool IsReparsePoint(std::wstring_view path)
{
    const DWORD attributes = ::GetFileAttributesW(LongPathForm(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Wine 8 answers success to CreateSymbolicLinkW and makes nothing, so the link is looked for.
Result<> SymbolicLink(std::wstring_view link, std::wstring_view target, DWORD flags)
{
    if (!::CreateSymbolicLinkW(LongPathForm(link).c_str(), LongPathForm(target).c_str(),
                               flags | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE)) {
        return std::unexpected(win32::LastError());
    }
    if (!IsReparsePoint(link)) {
        return Fail(ERROR_NOT_SUPPORTED, L"CreateSymbolicLinkW answered success, yet no link is there");
    }
    return {};
}

// The mount-point reparse data that makes a folder a junction: the target's NT path, then the
// same path as shown to users, each with its NUL.
std::vector<std::byte> MountPointData(std::wstring_view target)
{
    std::wstring full = LongPathForm(target);
    if (full.starts_with(L"\\\\?\\")) {
        full.erase(0, 4);
    }
    const std::wstring substitute = L"\\??\\" + full;
    const auto substituteBytes = static_cast<WORD>(substitute.size() * sizeof(wchar_t));
    const auto printBytes = static_cast<WORD>(full.size() * sizeof(wchar_t));
    const auto pathBytes = static_cast<WORD>(substituteBytes + printBytes + 2 * sizeof(wchar_t));
    constexpr std::size_t kHeader = 8;       // tag, data length, reserved
    constexpr std::size_t kMountHeader = 8;  // substitute offset and length, print offset and length
    std::vector<std::byte> data(kHeader + kMountHeader + pathBytes);
    auto put = [&](std::size_t at, const void* from, std::size_t bytes) { std::memcpy(data.data() + at, from, bytes); };
    const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
    const auto dataLength = static_cast<WORD>(kMountHeader + pathBytes);
    const WORD fields[] = {0, substituteBytes, static_cast<WORD>(substituteBytes + sizeof(wchar_t)), printBytes};
    put(0, &tag, sizeof(tag));
    put(4, &dataLength, sizeof(dataLength));
    put(kHeader, fields, sizeof(fields));
    put(kHeader + kMountHeader, substitute.c_str(), substituteBytes + sizeof(wchar_t));
    put(kHeader + kMountHeader + substituteBytes + sizeof(wchar_t), full.c_str(), printBytes + sizeof(wchar_t));
    return data;
}

// A junction needs no privilege, where a symbolic link to a folder may.
Result<> Junction(std::wstring_view link, std::wstring_view target)
{
    const std::wstring full = LongPathForm(link);
    if (!::CreateDirectoryW(full.c_str(), nullptr)) {
        return std::unexpected(win32::LastError());
    }
    Result<> made;
    {
        const UniqueFile folder(::CreateFileW(full.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                              FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        std::vector<std::byte> data = MountPointData(target);
        DWORD returned = 0;
        if (!folder) {
            made = std::unexpected(win32::LastError());
        } else if (!::DeviceIoControl(folder.get(), FSCTL_SET_REPARSE_POINT, data.data(), static_cast<DWORD>(data.size()),
                                      nullptr, 0, &returned, nullptr)) {
            made = std::unexpected(win32::LastError());
        }
    }
    if (!made) {
        ::RemoveDirectoryW(full.c_str());
    }
    return made;
}

}  // namespace

FolderFixture::FolderFixture()
{
    static std::atomic<unsigned> made{0};
    const std::wstring temp = TempFolder();
    if (temp.empty()) {
        return;
    }
    const std::wstring root = Join(temp, L"nivaro-folder-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                             std::to_wstring(made++));
    RemoveTree(root);  // what an earlier process of the same id left behind
    if (::CreateDirectoryW(LongPathForm(root).c_str(), nullptr)) {
        root_ = root;
    }
}

void FolderFixture::StandInForTheProfile() {}  // the scratch folder is in the profile's Temp folder

FolderFixture::~FolderFixture()
{
    if (!root_.empty()) {
        RemoveTree(root_);
    }
}

wchar_t FolderFixture::Separator()
{
    return L'\\';
}

bool FolderFixture::MakeFile(std::wstring_view path, std::uint64_t bytes) const
{
    const UniqueFile file(::CreateFileW(LongPathForm(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    if (bytes == 0) {
        return true;
    }
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(bytes);
    return ::SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) && ::SetEndOfFile(file.get());
}

bool FolderFixture::WriteFile(std::wstring_view path, std::string_view bytes) const
{
    const UniqueFile file(::CreateFileW(LongPathForm(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

bool FolderFixture::MakeFolder(std::wstring_view path) const
{
    return ::CreateDirectoryW(LongPathForm(path).c_str(), nullptr) != FALSE;
}

bool FolderFixture::RemoveEmptyFolder(std::wstring_view path) const
{
    return ::RemoveDirectoryW(LongPathForm(path).c_str()) != FALSE;
}

bool FolderFixture::Mark(std::wstring_view path, FileMarks marks) const
{
    DWORD attributes = 0;
    attributes |= marks.hidden ? FILE_ATTRIBUTE_HIDDEN : 0;
    attributes |= marks.system ? FILE_ATTRIBUTE_SYSTEM : 0;
    attributes |= marks.readOnly ? FILE_ATTRIBUTE_READONLY : 0;
    return ::SetFileAttributesW(LongPathForm(path).c_str(), attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes) != FALSE;
}

std::unique_ptr<FileHold> FolderFixture::HoldWithoutDeleteSharing(std::wstring_view path) const
{
    UniqueFile file(::CreateFileW(LongPathForm(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return nullptr;
    }
    return std::make_unique<OpenFileHold>(std::move(file));
}

Result<> FolderFixture::MakeFileLink(std::wstring_view link, std::wstring_view target) const
{
    return SymbolicLink(link, target, 0);
}

Result<> FolderFixture::MakeFolderLink(std::wstring_view link, std::wstring_view target) const
{
    auto junction = Junction(link, target);
    if (junction) {
        return junction;
    }
    auto symbolic = SymbolicLink(link, target, SYMBOLIC_LINK_FLAG_DIRECTORY);
    if (symbolic) {
        return symbolic;
    }
    return Fail(symbolic.error().number,
                L"junction: " + junction.error().description + L"; symbolic link: " + symbolic.error().description);
}

// The folder is shown from now on by the tests' own shell folder, which lists its files and the
// items its desktop.ini names. The class is registered for the current user, as Windows takes it
// without elevation, and for the machine, the only place Wine's COM looks (the test prefix is the
// tests' own machine).
Result<> FolderFixture::AddVirtualItem(std::wstring_view folder, std::wstring_view name) const
{
    using namespace win32::testing;
    const std::wstring key = std::wstring(L"Software\\Classes\\CLSID\\") + kTestShellFolderClassText + L"\\InprocServer32";
    const std::wstring module = win32::ThisProgramFolder() + kTestShellFolderModule;
    constexpr wchar_t kApartment[] = L"Apartment";
    bool registered = false;
    for (const HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        win32::UniqueHkey server;
        if (::RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, server.put(), nullptr) !=
            ERROR_SUCCESS) {
            continue;
        }
        registered |= ::RegSetValueExW(server.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(module.c_str()),
                                       static_cast<DWORD>((module.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
        ::RegSetValueExW(server.get(), L"ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>(kApartment),
                         sizeof(kApartment));
    }
    if (!registered) {
        return Fail(ERROR_ACCESS_DENIED, L"cannot register the tests' shell folder");
    }

    const std::wstring ini = Join(folder, L"desktop.ini");
    if (!::WritePrivateProfileStringW(L".ShellClassInfo", L"CLSID", kTestShellFolderClassText, ini.c_str()) ||
        !::WritePrivateProfileStringW(kVirtualItemsSection, std::wstring(name).c_str(), L"1", ini.c_str())) {
        return Fail(::GetLastError(), L"cannot write the folder's desktop.ini");
    }
    // As Windows keeps a folder's settings file. (Windows reads it only in a folder marked read-only
    // or system; Wine reads it in any folder, and under Wine such a mark would make the folder
    // unwritable to the tests.)
    ::SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    return {};
}

bool FolderFixture::RemoveFile(std::wstring_view path) const
{
    return ::DeleteFileW(LongPathForm(path).c_str()) != FALSE;
}

bool FolderFixture::MoveFolder(std::wstring_view from, std::wstring_view to) const
{
    return ::MoveFileExW(LongPathForm(from).c_str(), LongPathForm(to).c_str(), 0) != FALSE;
}

std::size_t FolderFixture::OpenHandles()
{
    DWORD count = 0;
    return ::GetProcessHandleCount(::GetCurrentProcess(), &count) ? count : 0;
}

std::optional<std::wstring> FolderFixture::LongForm(std::wstring_view path)
{
    return L"\\\\?\\" + std::wstring(path);
}

std::optional<std::wstring> FolderFixture::SlashForm(std::wstring_view path)
{
    std::wstring slashed(path);
    std::ranges::replace(slashed, L'\\', L'/');
    return slashed;
}

std::wstring FolderFixture::NetworkPath()
{
    return L"\\\\nivaro-nowhere\\share\\traces";
}

void FolderFixture::SetVariable(std::wstring_view name, std::wstring_view value)
{
    ::SetEnvironmentVariableW(std::wstring(name).c_str(), std::wstring(value).c_str());
}

bool FolderFixture::Exists(std::wstring_view path) const
{
    return ::GetFileAttributesW(LongPathForm(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::uint64_t> FolderFixture::FileSize(std::wstring_view path) const
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(LongPathForm(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

std::map<std::wstring, FolderFixture::TreeEntry> FolderFixture::Tree(std::wstring_view folder,
                                                                   std::wstring_view sizeOnly) const
{
    std::map<std::wstring, TreeEntry> tree;
    AddTree(std::wstring(folder), L"", sizeOnly, tree);
    return tree;
}

std::optional<std::uint32_t> FolderFixture::Attributes(std::wstring_view path) const
{
    const DWORD attributes = ::GetFileAttributesW(LongPathForm(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return std::nullopt;
    }
    return attributes;
}

std::vector<std::wstring> FolderFixture::Names(std::wstring_view folder) const
{
    std::vector<std::wstring> names;
    ForEachEntry(std::wstring(folder), [&](std::wstring_view name, DWORD) { names.emplace_back(name); });
    std::ranges::sort(names);
    return names;
}

}  // namespace nivaro
