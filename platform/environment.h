#pragma once
// What the logic needs to know of the user's environment: the system's own folders, by what
// they are rather than by how they are spelled, and the environment's variables.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nivaro {

enum class KnownPlace {
    kWindows,
    kProgramFiles,
    kProgramFilesX86,
    kProgramData,
    kUserProfiles,  // the folder that holds every user's profile
    kProfile,       // the user's own profile folder
    kDesktop,
    kDocuments,
    kDownloads,
    kPictures,
    kMusic,
    kVideos,
    kFavorites,
    kRoamingAppData,
    kLocalAppData,
    kLocalAppDataLow,
    kRecent,
    kTemp,
    kHistory,
    kCookies,
    kInternetCache,  // the last: what goes through every place counts up to it
};

// A folder the system names, for this user or for all users.
struct SystemFolder {
    std::wstring path;
    bool common = false;  // one of the folders that every user shares
};

// The running Windows by its kernel's version, as the items file's DetectOS names it: 6.1 is
// Windows 7, 10.0 Windows 10 and 11.
struct WindowsVersion {
    unsigned major = 0;
    unsigned minor = 0;

    friend auto operator<=>(const WindowsVersion&, const WindowsVersion&) = default;
};

class Environment {
public:
    virtual ~Environment() = default;

    // The folder as the system names it for this user; nothing where the system has none.
    virtual std::optional<std::wstring> KnownFolder(KnownPlace place) = 0;
    // Every other folder the system names that is there, whatever it is for: not those of the
    // places above, which are asked of KnownFolder each, and whose paths are never asked here
    // (under Wine, asking a folder's path writes the user's Shell Folders value for it again).
    virtual std::vector<SystemFolder> SystemFolders() = 0;
    // The text with every %NAME% of a set variable replaced by its value; the rest stays as it is.
    virtual std::wstring Expand(std::wstring_view text) = 0;
    // A count as the user's locale writes it for people to read: 12,345 or 12 345.
    virtual std::wstring GroupedCount(std::uint64_t count) = 0;
    // The version of the Windows that runs, as it is, not as a compatibility layer reports it.
    virtual WindowsVersion RunningWindows() = 0;
};

}  // namespace nivaro
