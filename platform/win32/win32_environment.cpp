#include "platform/win32/win32_environment.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <memory>

#include "platform/backend.h"

namespace nivaro::win32 {
namespace {

struct CoTaskMemFreer {
    void operator()(void* memory) const { ::CoTaskMemFree(memory); }
};

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
    case KnownPlace::kTemp:
        return nullptr;  // the temporary folder is not a known folder: GetTempPathW tells it
    }
    return nullptr;
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
    const KNOWNFOLDERID* id = FolderId(place);
    if (id == nullptr) {
        return place == KnownPlace::kTemp ? TempFolder() : std::nullopt;
    }
    PWSTR path = nullptr;
    // Only a folder that exists: one the system merely knows of has nothing to protect or clean.
    const HRESULT result = ::SHGetKnownFolderPath(*id, 0, nullptr, &path);
    const std::unique_ptr<wchar_t, CoTaskMemFreer> owned(path);
    if (FAILED(result) || !owned) {
        return std::nullopt;
    }
    return std::wstring(owned.get());
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

}  // namespace nivaro::win32

namespace nivaro {

std::unique_ptr<Environment> MakeEnvironment()
{
    return std::make_unique<win32::Win32Environment>();
}

}  // namespace nivaro
