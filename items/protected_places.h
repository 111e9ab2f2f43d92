#pragma once
// The places a folder item never cleans, whatever its setting says: the system's own folders and
// the user's, found through the system's known folders rather than by how they are spelled, and
// compared by what they are (their identities) rather than by the paths that reach them.

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "platform/environment.h"
#include "platform/file_system.h"

namespace nivaro {

enum class PlaceRule {
    kItself,                // the place itself
    kItselfAndInside,       // the place and every folder inside it
    kInsideButTheUsersOwn,  // every folder inside the place but the user's own profile and what it holds
};

struct ProtectedPlace {
    KnownPlace place;
    PlaceRule rule;
    std::wstring_view what;  // "the Windows folder"
};

// Every place also protects each folder that holds it, and every drive root is protected. Every
// other folder the system names is protected too, itself, and with all it holds when every user
// shares it; the system's folders that the items are meant to clean (below) are not.
inline constexpr std::array kProtectedPlaces = {
    ProtectedPlace{KnownPlace::kWindows, PlaceRule::kItselfAndInside, L"the Windows folder"},
    ProtectedPlace{KnownPlace::kProgramFiles, PlaceRule::kItselfAndInside, L"a Program Files folder"},
    ProtectedPlace{KnownPlace::kProgramFilesX86, PlaceRule::kItselfAndInside, L"a Program Files folder"},
    ProtectedPlace{KnownPlace::kProgramData, PlaceRule::kItself, L"the ProgramData folder"},
    ProtectedPlace{KnownPlace::kUserProfiles, PlaceRule::kItself, L"the Users folder"},
    ProtectedPlace{KnownPlace::kUserProfiles, PlaceRule::kInsideButTheUsersOwn, L"another user's profile folder"},
    ProtectedPlace{KnownPlace::kProfile, PlaceRule::kItself, L"the user's profile folder"},
    ProtectedPlace{KnownPlace::kDesktop, PlaceRule::kItself, L"the Desktop"},
    ProtectedPlace{KnownPlace::kDocuments, PlaceRule::kItself, L"the Documents folder"},
    ProtectedPlace{KnownPlace::kDownloads, PlaceRule::kItself, L"the Downloads folder"},
    ProtectedPlace{KnownPlace::kPictures, PlaceRule::kItself, L"the Pictures folder"},
    ProtectedPlace{KnownPlace::kMusic, PlaceRule::kItself, L"the Music folder"},
    ProtectedPlace{KnownPlace::kVideos, PlaceRule::kItself, L"the Videos folder"},
    ProtectedPlace{KnownPlace::kFavorites, PlaceRule::kItself, L"the Favorites folder"},
    ProtectedPlace{KnownPlace::kRoamingAppData, PlaceRule::kItself, L"the AppData\\Roaming folder"},
    ProtectedPlace{KnownPlace::kLocalAppData, PlaceRule::kItself, L"the AppData\\Local folder"},
    ProtectedPlace{KnownPlace::kLocalAppDataLow, PlaceRule::kItself, L"the AppData\\LocalLow folder"},
};

// The system's folders that hold the traces the items clean: each may be cleaned itself, though
// never when it holds a protected place.
inline constexpr std::array kCleanablePlaces = {KnownPlace::kRecent, KnownPlace::kHistory, KnownPlace::kCookies,
                                                KnownPlace::kInternetCache, KnownPlace::kTemp};

// Every place the logic knows by name is either guarded by the table or one the items clean: the
// system's other folders leave all of these out, so a place in neither list would go unguarded.
consteval bool EachPlaceGuardedOrCleaned()
{
    for (int value = 0; value <= static_cast<int>(KnownPlace::kInternetCache); ++value) {
        const auto place = static_cast<KnownPlace>(value);
        const bool guarded =
            std::ranges::find(kProtectedPlaces, place, &ProtectedPlace::place) != kProtectedPlaces.end();
        const bool cleaned = std::ranges::find(kCleanablePlaces, place) != kCleanablePlaces.end();
        if (guarded == cleaned) {
            return false;
        }
    }
    return true;
}
static_assert(EachPlaceGuardedOrCleaned());

// The user's own folders, one of which a built-in item's folder must lie in, wherever the user
// has moved them.
inline constexpr std::array kUsersOwnPlaces = {KnownPlace::kProfile, KnownPlace::kRoamingAppData,
                                               KnownPlace::kLocalAppData, KnownPlace::kLocalAppDataLow};

// Where a folder may be cleaned: anywhere that is not protected, or, for a folder that a built-in
// item finds from a setting or a known folder, only in the user's own folders.
enum class Reach { kAnywhere, kUsersOwn };

// Why this folder may not be cleaned, in words for the user; nothing when it may.
std::optional<std::wstring> WhyProtected(const FolderHandle& folder, FileSystem& files, Environment& environment,
                                         Reach reach = Reach::kAnywhere);

}  // namespace nivaro
