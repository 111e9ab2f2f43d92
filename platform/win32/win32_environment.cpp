#include "platform/win32/win32_environment.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <chrono>
#include <memory>
#include <mutex>

#include "platform/backend.h"
#include "platform/win32/nt_api.h"
#include "platform/win32/unique_handles.h"

namespace nivaro::win32 {
namespace {

const KNOWNFOLDERID* FolderId(KnownPlace place)
{
    switch (place) {
    case KnownPlace::kWindows:
        return &FOLDERID_Windows;
    case KnownPlace::kProgramFiles:
        return &FOLDERID_ProgramFiles;
    case KnownPlace::kProgramFilesX86:
        return &FOLDERID_ProgramFilesX86;
    case KnownPlace::kProgramData:
        return &FOLDERID_ProgramData;
    case KnownPlace::kUserProfiles:
        return &FOLDERID_UserProfiles;
    case KnownPlace::kProfile:
        return &FOLDERID_Profile;
    case KnownPlace::kDesktop:
        return &FOLDERID_Desktop;
    case KnownPlace::kDocuments:
        return &FOLDERID_Documents;
    case KnownPlace::kDownloads:
        return &FOLDERID_Downloads;
    case KnownPlace::kPictures:
        return &FOLDERID_Pictures;
    case KnownPlace::kMusic:
        return &FOLDERID_Music;
    case KnownPlace::kVideos:
        return &FOLDERID_Videos;
    case KnownPlace::kFavorites:
        return &FOLDERID_Favorites;
    case KnownPlace::kRoamingAppData:
        return &FOLDERID_RoamingAppData;
    case KnownPlace::kLocalAppData:
        return &FOLDERID_LocalAppData;
    case KnownPlace::kLocalAppDataLow:
        return &FOLDERID_LocalAppDataLow;
    case KnownPlace::kRecent:
        return &FOLDERID_Recent;
    case KnownPlace::kHistory:
        return &FOLDERID_History;
    case KnownPlace::kCookies:
        return &FOLDERID_Cookies;
    case KnownPlace::kInternetCache:
        return &FOLDERID_InternetCache;
    case KnownPlace::kTemp:
        return nullptr;  // the temporary folder is not a known folder: GetTempPathW tells it
    }
    return nullptr;
}

// Which of the places a known folder is.
std::optional<KnownPlace> PlaceOf(const KNOWNFOLDERID& id)
{
    for (int place = 0; place <= static_cast<int>(KnownPlace::kInternetCache); ++place) {
        const KNOWNFOLDERID* known = FolderId(static_cast<KnownPlace>(place));
        if (known != nullptr && ::IsEqualGUID(*known, id)) {
            return static_cast<KnownPlace>(place);
        }
    }
    return std::nullopt;
}

// Where a known folder is. Only a folder that exists: one the system merely knows of has
// nothing to protect or clean. Asked of the shell's own call, which under Wine costs a third of
// what the known folder's object takes to say the same.
std::optional<std::wstring> KnownFolderPath(const KNOWNFOLDERID& id)
{
    PWSTR path = nullptr;
    const HRESULT result = ::SHGetKnownFolderPath(id, 0, nullptr, &path);
    const UniqueCoTaskString owned(path);
    if (FAILED(result) || !owned) {
        return std::nullopt;
    }
    return std::wstring(owned.get());
}

// Every known folder the known-folder manager has an ID for but the places', with a path that is
// there: its path and whether every user shares it, not its whole definition, which costs as
// much again to read.
std::vector<SystemFolder> ReadSystemFolders()
{
    // Whatever apartment the thread is in, or one for this question alone.
    const ComApartment apartment(COINIT_MULTITHREADED);
    ComPtr<IKnownFolderManager> manager;
    if (FAILED(::CoCreateInstance(CLSID_KnownFolderManager, nullptr, CLSCTX_INPROC_SERVER, IID_IKnownFolderManager,
                                  manager.put_void()))) {
        return {};
    }
    KNOWNFOLDERID* ids = nullptr;
    UINT count = 0;
    if (FAILED(manager->GetFolderIds(&ids, &count))) {
        return {};
    }
    const UniqueKnownFolderIds ownedIds(ids);
    std::vector<SystemFolder> folders;
    for (UINT i = 0; i < count; ++i) {
        if (PlaceOf(ids[i])) {
            continue;  // asked by its place alone
        }
        std::optional<std::wstring> path = KnownFolderPath(ids[i]);
        if (!path) {
            continue;  // a virtual folder, or one that is not there
        }
        // A folder whose category cannot be told is taken for one every user shares: the more it
        // guards.
        ComPtr<IKnownFolder> folder;
        KF_CATEGORY category{};
        const bool told =
            SUCCEEDED(manager->GetFolder(ids[i], folder.put())) && SUCCEEDED(folder->GetCategory(&category));
        const bool common = !told || category == KF_CATEGORY_COMMON;
        folders.push_back({.path = std::move(*path), .common = common});
    }
    return folders;
}

std::optional<std::wstring> TempFolder()
{
    std::wstring path(MAX_PATH + 1, L'\0');
    const DWORD written = ::GetTempPathW(static_cast<DWORD>(path.size()), path.data());
    if (written == 0 || written >= path.size()) {
        return std::nullopt;
    }
    path.resize(written);
    if (path.size() > 3 && path.ends_with(L'\\')) {
        path.pop_back();
    }
    return path;
}

}  // namespace

std::optional<std::wstring> Win32Environment::KnownFolder(KnownPlace place)
{
    const std::lock_guard lock(mutex_);
    if (const auto found = known_.find(place); found != known_.end()) {
        return found->second;
    }
    std::optional<std::wstring> folder = AskSystem(place);
    if (folder) {
        known_.emplace(place, *folder);  // one the system has not got is asked again: it may come
    }
    return folder;
}

std::optional<std::wstring> Win32Environment::AskSystem(KnownPlace place)
{
    const KNOWNFOLDERID* id = FolderId(place);
    if (id == nullptr) {
        return place == KnownPlace::kTemp ? TempFolder() : std::nullopt;
    }
    return KnownFolderPath(*id);
}

// Asking the known-folder manager for each of its hundred folders costs tens of milliseconds:
// the answer is kept for the process, and asked again after a minute, so that a window open for
// hours sees a folder the user has moved.
std::vector<SystemFolder> Win32Environment::SystemFolders()
{
    static std::mutex mutex;
    static std::vector<SystemFolder> folders;
    static std::optional<std::chrono::steady_clock::time_point> asked;
    const std::lock_guard lock(mutex);
    const auto now = std::chrono::steady_clock::now();
    if (!asked || now - *asked > std::chrono::minutes(1)) {
        folders = ReadSystemFolders();
        asked = now;
    }
    return folders;
}

std::wstring Win32Environment::Expand(std::wstring_view text)
{
    const std::wstring source(text);
    std::wstring expanded(source.size() + 64, L'\0');
    for (;;) {
        const DWORD needed = ::ExpandEnvironmentStringsW(source.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()));
        if (needed == 0) {
            return source;
        }
        if (needed <= expanded.size()) {
            expanded.resize(needed - 1);  // without its NUL
            return expanded;
        }
        expanded.resize(needed);
    }
}

// The user's locale's grouping and separator, with no decimals: a count has none.
std::wstring Win32Environment::GroupedCount(std::uint64_t count)
{
    const std::wstring digits = std::to_wstring(count);
    wchar_t grouping[16] = {};
    wchar_t thousand[8] = {};
    wchar_t decimal[8] = {};
    if (!::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SGROUPING, grouping, 16) ||
        !::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STHOUSAND, thousand, 8) ||
        !::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, decimal, 8)) {
        return digits;
    }
    // "3;0" is 3, "3;2;0" is 32: the form NUMBERFMT takes.
    UINT groups = 0;
    for (const wchar_t* c = grouping; *c != L'\0'; ++c) {
        if (*c >= L'1' && *c <= L'9') {
            groups = groups * 10 + static_cast<UINT>(*c - L'0');
        }
    }
    NUMBERFMTW format{0, 1, groups, decimal, thousand, 1};
    wchar_t text[64] = {};
    if (::GetNumberFormatEx(LOCALE_NAME_USER_DEFAULT, 0, digits.c_str(), &format, text, 64) == 0) {
        return digits;
    }
    return text;
}

// GetVersionExW answers what the program's manifest declares it knows; the kernel says what runs.
WindowsVersion Win32Environment::RunningWindows()
{
    RTL_OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    if (::RtlGetVersion(&version) != kStatusSuccess) {
        return {};
    }
    return {static_cast<unsigned>(version.dwMajorVersion), static_cast<unsigned>(version.dwMinorVersion)};
}

}  // namespace nivaro::win32

namespace nivaro {

std::unique_ptr<Environment> MakeEnvironment()
{
    return std::make_unique<win32::Win32Environment>();
}

}  // namespace nivaro
