#pragma once
// Every profile of a browser, found as the browser itself finds them, and held by handle.
//
// Chromium family: the user-data folder's Local State names its profiles (profile.info_cache,
// with the names people see), and the profile folders present (Default, Profile N) are added,
// so that a profile Local State forgot is not skipped. Opera's data folder is itself its one
// profile. Firefox: profiles.ini names each profile's folder, relative to it or anywhere.
//
// Everything read here is hostile input: Local State and profiles.ini are read by handle with a
// size limit and may be malformed (what cannot be understood is noted and the rest used); a
// profile's name must be one folder's name in the user-data folder, opened relative to it and never
// through a link; a relative Firefox path is walked step by step the same way; an absolute one is
// taken where it really is and must not be a protected place. The same folder named twice is one
// profile.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "browsers/browser_catalog.h"
#include "platform/environment.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/profile_files.h"

namespace nivaro {

struct DiscoveredProfile {
    std::wstring name;   // its folder's name, or profiles.ini's path: "Profile 1", "Profiles/x.default"
    std::wstring label;  // what the browser calls it: "Work", "default-release"; the name when nothing does
    std::wstring path;   // where it is
    std::unique_ptr<ProfileFolder> folder;  // held while it is worked on; nothing with a problem
    std::optional<Error> problem;
    std::wstring cache;  // the folder its cache is in (the profile's own, or its twin under LocalAppData)
};

struct BrowserProfiles {
    const BrowserInfo* browser = nullptr;
    std::wstring dataPath;         // the user-data folder (or Firefox's folder of profiles.ini)
    bool present = false;          // the data folder is there: the browser's items are shown
    std::optional<Error> problem;  // the data folder is there but cannot be used
    std::vector<DiscoveredProfile> profiles;
    std::vector<std::wstring> notes;  // what was read but not used, and why
};

// Where the browser's data folder is for this user: below its known folder.
std::optional<std::wstring> DataFolderPath(const BrowserInfo& browser, Environment& environment, wchar_t separator);

// The browser's profiles in the data folder at `dataPath`. `files` lists the user-data folder's
// entries (only to learn names: each is then opened by handle).
BrowserProfiles DiscoverProfiles(const BrowserInfo& browser, const std::wstring& dataPath, ProfileFiles& profiles,
                                 FileSystem& files, Environment& environment);

}  // namespace nivaro
