#pragma once
// The browsers whose traces are cleaned, as data: where each keeps its profiles and its cache, and
// which family's databases it writes.

#include <array>
#include <string_view>

#include "platform/environment.h"

namespace nivaro {

enum class BrowserFamily { kChromium, kFirefox };

// The traces that live in a profile's databases; caches and sessions are folders.
enum class BrowserTrace { kHistory, kCookies, kDownloads, kFormData };

enum class ProfileLayout {
    kUserData,         // a user-data folder of profiles named in its Local State: Default, Profile 1...
    kSingleProfile,    // the data folder is itself the one profile (Opera)
    kFirefoxProfiles,  // profiles named by profiles.ini, relative to it or anywhere
};

struct BrowserInfo {
    std::string_view id;     // what item ids start with: "edge" for edge-history
    std::wstring_view name;  // what the user is asked to close
    BrowserFamily family;
    ProfileLayout layout;
    KnownPlace place;  // the data folder is below this one
    std::wstring_view path;
    // Where its cache is, when it is not in the profile: below this place, the same relative path
    // as the profile's below its own (Firefox), or this path itself (Opera).
    KnownPlace cachePlace;
    std::wstring_view cachePath;
};

inline constexpr std::array kBrowsers = {
    BrowserInfo{"edge", L"Edge", BrowserFamily::kChromium, ProfileLayout::kUserData, KnownPlace::kLocalAppData,
                L"Microsoft\\Edge\\User Data", KnownPlace::kLocalAppData, L""},
    BrowserInfo{"chrome", L"Chrome", BrowserFamily::kChromium, ProfileLayout::kUserData, KnownPlace::kLocalAppData,
                L"Google\\Chrome\\User Data", KnownPlace::kLocalAppData, L""},
    BrowserInfo{"brave", L"Brave", BrowserFamily::kChromium, ProfileLayout::kUserData, KnownPlace::kLocalAppData,
                L"BraveSoftware\\Brave-Browser\\User Data", KnownPlace::kLocalAppData, L""},
    BrowserInfo{"vivaldi", L"Vivaldi", BrowserFamily::kChromium, ProfileLayout::kUserData, KnownPlace::kLocalAppData,
                L"Vivaldi\\User Data", KnownPlace::kLocalAppData, L""},
    BrowserInfo{"opera", L"Opera", BrowserFamily::kChromium, ProfileLayout::kSingleProfile, KnownPlace::kRoamingAppData,
                L"Opera Software\\Opera Stable", KnownPlace::kLocalAppData, L"Opera Software\\Opera Stable"},
    BrowserInfo{"firefox", L"Firefox", BrowserFamily::kFirefox, ProfileLayout::kFirefoxProfiles,
                KnownPlace::kRoamingAppData, L"Mozilla\\Firefox", KnownPlace::kLocalAppData, L"Mozilla\\Firefox"},
};

}  // namespace nivaro
