// The test prefix's own known folders: nothing to make, and the drive is the Windows folder's. The
// other drive is a folder of the prefix's own that the TestDrive fixture (tests/folder_tests.cmake)
// gives a drive letter from the Linux side.

#include <windows.h>

#include <algorithm>

#include "platform/utf8.h"
#include "platform/win32/unique_handles.h"
#include "tests/support/known_folders.h"

namespace nivaro {

bool KnownFolders::Prepare()
{
    return true;
}

namespace {

constexpr wchar_t kUserShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

void SetRecentValue(const std::optional<std::wstring>& path)
{
    if (!path) {
        ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kUserShellFolders, L"Recent");
        return;
    }
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kUserShellFolders, L"Recent", REG_EXPAND_SZ, path->c_str(),
                      static_cast<DWORD>((path->size() + 1) * sizeof(wchar_t)));
}

}  // namespace

void KnownFolders::Unprepare()
{
    if (recentBefore_) {
        SetRecentValue(*recentBefore_);
    }
}

bool KnownFolders::RedirectRecent(const std::wstring& path)
{
    if (!recentBefore_) {
        std::wstring before(4096, L'\0');
        DWORD bytes = static_cast<DWORD>(before.size() * sizeof(wchar_t));
        const bool had = ::RegGetValueW(HKEY_CURRENT_USER, kUserShellFolders, L"Recent", RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ |
                                        RRF_NOEXPAND, nullptr, before.data(), &bytes) == ERROR_SUCCESS;
        before.resize(had ? bytes / sizeof(wchar_t) - 1 : 0);
        recentBefore_ = had ? std::optional(before) : std::nullopt;
    }
    SetRecentValue(path);
    const std::optional<std::wstring> now = environment_->KnownFolder(KnownPlace::kRecent);
    return now && ::CompareStringOrdinal(now->c_str(), -1, path.c_str(), -1, TRUE) == CSTR_EQUAL;
}

std::optional<std::wstring> KnownFolders::DriveRoot()
{
    const std::optional<std::wstring> windows = environment_->KnownFolder(KnownPlace::kWindows);
    if (!windows || windows->size() < 3 || (*windows)[1] != L':') {
        return std::nullopt;
    }
    return windows->substr(0, 3);
}

std::optional<std::wstring> KnownFolders::OtherDriveRoot()
{
    return L"N:\\";
}

namespace {

// Wine's own name of a Windows path in the Linux tree; nothing on Windows.
std::optional<std::wstring> LinuxPath(const std::wstring& path)
{
    using ToUnix = char*(__cdecl*)(LPCWSTR);
    const auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* named = toUnix != nullptr ? toUnix(path.c_str()) : nullptr;
    if (named == nullptr) {
        return std::nullopt;
    }
    std::wstring linuxPath = FromUtf8(named);
    ::HeapFree(::GetProcessHeap(), 0, named);
    return linuxPath;
}

}  // namespace

std::optional<std::wstring> KnownFolders::NamedSystemFolder(std::wstring_view name)
{
    const win32::ComApartment apartment(COINIT_MULTITHREADED);
    win32::ComPtr<IKnownFolderManager> manager;
    win32::ComPtr<IKnownFolder> folder;
    PWSTR path = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_KnownFolderManager, nullptr, CLSCTX_INPROC_SERVER, IID_IKnownFolderManager,
                                  manager.put_void())) ||
        FAILED(manager->GetFolderByName(std::wstring(name).c_str(), folder.put())) ||
        FAILED(folder->GetPath(0, &path))) {
        return std::nullopt;
    }
    const win32::UniqueCoTaskString owned(path);
    return std::wstring(owned.get());
}

std::optional<std::wstring> KnownFolders::ThroughTheLinuxRoot(const std::wstring& path)
{
    std::optional<std::wstring> linuxPath = LinuxPath(path);
    if (!linuxPath) {
        return std::nullopt;
    }
    std::ranges::replace(*linuxPath, L'/', L'\\');
    while (linuxPath->ends_with(L'\\')) {
        linuxPath->pop_back();
    }
    return L"Z:" + *linuxPath;
}

std::optional<std::wstring> KnownFolders::HolderOfTheDrive()
{
    // The prefix: the folder that holds the drive's own folder, drive_c.
    const std::optional<std::wstring> root = DriveRoot();
    std::optional<std::wstring> linuxPath = root ? LinuxPath(*root) : std::nullopt;
    if (!linuxPath) {
        return std::nullopt;
    }
    const std::size_t devices = linuxPath->rfind(L"/dosdevices/");
    if (devices == std::wstring::npos) {
        return std::nullopt;
    }
    linuxPath->resize(devices);
    std::ranges::replace(*linuxPath, L'/', L'\\');
    return L"Z:" + *linuxPath;
}

}  // namespace nivaro
