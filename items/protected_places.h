#pragma once
// The places a folder item never cleans, whatever its setting says: the system's own folders
// and the user's, found through the system's known folders rather than by how they are spelled,
// and compared where they really are.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "platform/environment.h"
#include "platform/file_system.h"

namespace nivaro {

enum class PlaceRule {
    kItself,           // the place itself
    kItselfAndInside,  // the place and every folder inside it
    kItsChildren,      // each folder directly inside the place
};

struct ProtectedPlace {
    KnownPlace place;
    PlaceRule rule;
    std::wstring_view what;  // "the Windows folder"
};

// Every place also protects each folder that holds it, and every drive root is protected.
inline constexpr std::array kProtectedPlaces = {
    ProtectedPlace{KnownPlace::kWindows, PlaceRule::kItselfAndInside, L"the Windows folder"},
    ProtectedPlace{KnownPlace::kProgramFiles, PlaceRule::kItselfAndInside, L"a Program Files folder"},
    ProtectedPlace{KnownPlace::kProgramFilesX86, PlaceRule::kItselfAndInside, L"a Program Files folder"},
    ProtectedPlace{KnownPlace::kProgramData, PlaceRule::kItself, L"the ProgramData folder"},
    ProtectedPlace{KnownPlace::kUserProfiles, PlaceRule::kItself, L"the Users folder"},
    ProtectedPlace{KnownPlace::kUserProfiles, PlaceRule::kItsChildren, L"a user's profile folder"},
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

// Why this folder may not be cleaned, in words for the user; nothing when it may.
std::optional<std::wstring> WhyProtected(const FolderHandle& folder, FileSystem& files, Environment& environment);
// The same for a folder held some other way: where it really is, and whether it is a volume's root.
std::optional<std::wstring> WhyProtected(const std::wstring& path, bool volumeRoot, FileSystem& files,
                                         Environment& environment);

}  // namespace nivaro
