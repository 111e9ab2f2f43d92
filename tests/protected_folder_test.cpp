// A folder item never cleans the system's folders or the user's own, whatever its setting says:
// each protected place refused, with nothing in it touched; the default History and Cookies
// folders and a folder inside AppData\Local still cleaned. Natively the known folders are made in
// a scratch folder; under Wine they are the test prefix's own, and those that lead out of the
// prefix (its Desktop and Documents are links to the Linux home) are never pointed at.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "items/item_design.h"
#include "items/nv_folder.h"
#include "items/protected_places.h"
#include "platform/backend.h"
#include "platform/substitute/substitute_toolkit.h"
#include "tests/support/folder_fixture.h"
#include "tests/support/known_folders.h"

namespace nivaro {
namespace {

struct Row {
    const char* what;
    // The folder to point the item at; nothing when this machine has no such place to point at safely.
    std::function<std::optional<std::wstring>(KnownFolders&)> folder;
    bool refused;
};

std::function<std::optional<std::wstring>(KnownFolders&)> Place(KnownPlace place, std::wstring_view below = {})
{
    return [place, below = std::wstring(below)](KnownFolders& known) -> std::optional<std::wstring> {
        std::optional<std::wstring> path = known.PathOf(place);
        if (path && !below.empty()) {
            path = known.MakeFolder(FolderFixture::Join(*path, below));
        }
        return path;
    };
}

TEST(ProtectedFolders, ASystemOrUserFolderIsRefusedWithNothingInItTouched)
{
    const Row rows[] = {
        {"the Windows folder", Place(KnownPlace::kWindows), true},
        {"a folder inside the Windows folder", Place(KnownPlace::kWindows, L"nivaro-inside"), true},
        {"a Program Files folder", Place(KnownPlace::kProgramFiles), true},
        {"a folder inside Program Files", Place(KnownPlace::kProgramFiles, L"nivaro-inside"), true},
        {"the 32-bit Program Files folder", Place(KnownPlace::kProgramFilesX86), true},
        {"the Users folder", Place(KnownPlace::kUserProfiles), true},
        {"the user's profile folder", Place(KnownPlace::kProfile), true},
        {"another user's profile folder", Place(KnownPlace::kUserProfiles, L"nivaro-other-user"), true},
        {"the Desktop", Place(KnownPlace::kDesktop), true},
        {"the Documents folder", Place(KnownPlace::kDocuments), true},
        {"the Downloads folder", Place(KnownPlace::kDownloads), true},
        {"the Pictures folder", Place(KnownPlace::kPictures), true},
        {"the Music folder", Place(KnownPlace::kMusic), true},
        {"the Videos folder", Place(KnownPlace::kVideos), true},
        {"the Favorites folder", Place(KnownPlace::kFavorites), true},
        {"the roaming AppData folder", Place(KnownPlace::kRoamingAppData), true},
        {"the local AppData folder", Place(KnownPlace::kLocalAppData), true},
        {"a folder that holds the AppData folders", [](KnownFolders& known) { return known.AppDataParent(); }, true},
        {"a drive root", [](KnownFolders& known) { return known.DriveRoot(); }, true},
        {"another drive's root", [](KnownFolders& known) { return known.OtherDriveRoot(); }, true},
        {"a folder inside AppData\\Local", Place(KnownPlace::kLocalAppData, L"nivaro-traces"), false},
        {"the temporary folder", Place(KnownPlace::kTemp, L"nivaro-traces"), false},
    };
    KnownFolders known;
    ASSERT_TRUE(known.Ready());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::optional<std::wstring> folder = row.folder(known);
        if (!folder) {
            std::printf("  skipped: %s (none here, or it leads out of the test's own disk)\n", row.what);
            continue;
        }
        SCOPED_TRACE(::testing::PrintToString(*folder));
        const bool planted = known.Disk().MakeFile(FolderFixture::Join(*folder, L"nivaro-planted.txt"), 3);
        const auto before = known.Disk().Names(*folder);
        SubstituteItemSite site;
        NvFolder item(site, known.Services());
        ASSERT_TRUE(item.ReadProperties({{L"Folder", *folder}}));

        ASSERT_TRUE(item.Start());

        if (row.refused) {
            EXPECT_EQ(site.status, item_text::kFolderProtected);
            EXPECT_EQ(known.Disk().Names(*folder), before) << "nothing in a protected folder is touched";
            const ItemPlan plan = item.Plan();
            ASSERT_TRUE(plan.problem);
            EXPECT_EQ(plan.problem->number, error_number::kPermissionDenied);
            EXPECT_NE(plan.problem->description.find(L"never cleaned"), std::wstring::npos) << "the problem says why";
        } else {
            EXPECT_TRUE(planted);
            EXPECT_TRUE(site.status.ends_with(item_text::kCountSuffix)) << site.status;
            EXPECT_FALSE(known.Disk().Exists(FolderFixture::Join(*folder, L"nivaro-planted.txt")));
        }
        if (planted) {
            (void)known.Disk().RemoveFile(FolderFixture::Join(*folder, L"nivaro-planted.txt"));
        }
    }
}

TEST(ProtectedFolders, TheDefaultHistoryAndCookiesFoldersAreCleaned)
{
    KnownFolders known;
    ASSERT_TRUE(known.Ready());
    for (const wchar_t* name : {L"History", L"Cookies"}) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(name)));
        const std::optional<std::wstring> folder = known.DefaultShellFolder(name);
        ASSERT_TRUE(folder);
        ASSERT_TRUE(known.Disk().MakeFile(FolderFixture::Join(*folder, L"nivaro-planted.txt"), 3));
        SubstituteItemSite site;
        NvFolder item(site, known.Services());
        ASSERT_TRUE(item.ReadProperties({{L"Folder", L"%" + std::wstring(name)}}));

        ASSERT_TRUE(item.Start());

        EXPECT_TRUE(site.status.ends_with(item_text::kCountSuffix)) << site.status;
        EXPECT_FALSE(known.Disk().Exists(FolderFixture::Join(*folder, L"nivaro-planted.txt")));
    }
}

}  // namespace
}  // namespace nivaro
