// Known folders made in a scratch folder, as a Windows drive lays them out, and handed to the
// substitute environment for as long as the test lives.

#include <array>
#include <utility>

#include "platform/substitute/disk_marks.h"
#include "platform/substitute/substitute_environment.h"
#include "tests/support/known_folders.h"

namespace nivaro {
namespace {

constexpr std::array<std::pair<KnownPlace, std::wstring_view>, 18> kLayout = {{
    {KnownPlace::kWindows, L"Windows"},
    {KnownPlace::kProgramFiles, L"Program Files"},
    {KnownPlace::kProgramFilesX86, L"Program Files (x86)"},
    {KnownPlace::kProgramData, L"ProgramData"},
    {KnownPlace::kUserProfiles, L"Users"},
    {KnownPlace::kProfile, L"Users/me"},
    {KnownPlace::kDesktop, L"Users/me/Desktop"},
    {KnownPlace::kDocuments, L"Users/me/Documents"},
    {KnownPlace::kDownloads, L"Users/me/Downloads"},
    {KnownPlace::kPictures, L"Users/me/Pictures"},
    {KnownPlace::kMusic, L"Users/me/Music"},
    {KnownPlace::kVideos, L"Users/me/Videos"},
    {KnownPlace::kFavorites, L"Users/me/Favorites"},
    {KnownPlace::kRoamingAppData, L"Users/me/AppData/Roaming"},
    {KnownPlace::kLocalAppData, L"Users/me/AppData/Local"},
    {KnownPlace::kLocalAppDataLow, L"Users/me/AppData/LocalLow"},
    {KnownPlace::kRecent, L"Users/me/AppData/Roaming/Microsoft/Windows/Recent"},
    {KnownPlace::kTemp, L"Users/me/AppData/Local/Temp"},
}};

constexpr std::wstring_view kHistory = L"Users/me/AppData/Local/Microsoft/Windows/History";
constexpr std::wstring_view kCookies = L"Users/me/AppData/Local/Microsoft/Windows/INetCookies";

}  // namespace

bool KnownFolders::Prepare()
{
    const std::wstring drive = *DriveRoot();
    if (!disk_.MakeFolder(drive)) {
        return false;
    }
    SharedDiskMarks().AddVolumeRoot(drive);
    const std::wstring other = *OtherDriveRoot();
    if (!disk_.MakeFolder(other)) {
        return false;
    }
    SharedDiskMarks().AddVolumeRoot(other);
    auto make = [&](std::wstring_view relative) {
        std::wstring path = drive;
        for (std::size_t start = 0; start <= relative.size();) {
            const std::size_t slash = std::min(relative.find(L'/', start), relative.size());
            path = FolderFixture::Join(path, relative.substr(start, slash - start));
            (void)disk_.MakeFolder(path);
            start = slash + 1;
        }
        return path;
    };
    make(L"Users/Public");
    for (const auto& [place, relative] : kLayout) {
        SubstituteEnvironment::SetKnownFolder(place, make(relative));
    }
    values_.push_back(std::make_unique<ShellFolderValue>(*registry_, L"History", make(kHistory)));
    values_.push_back(std::make_unique<ShellFolderValue>(*registry_, L"Cookies", make(kCookies)));
    return values_[0]->Written() && values_[1]->Written();
}

void KnownFolders::Unprepare()
{
    for (const auto& [place, relative] : kLayout) {
        SubstituteEnvironment::SetKnownFolder(place, std::nullopt);
    }
    for (const std::optional<std::wstring>& drive : {DriveRoot(), OtherDriveRoot()}) {
        SharedDiskMarks().Forget(*drive);
    }
}

std::optional<std::wstring> KnownFolders::DriveRoot()
{
    return FolderFixture::Join(disk_.Root(), L"drive");
}

std::optional<std::wstring> KnownFolders::OtherDriveRoot()
{
    return FolderFixture::Join(disk_.Root(), L"other-drive");
}

}  // namespace nivaro
