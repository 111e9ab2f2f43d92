#include "browsers/profile_discovery.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cwctype>

#include "items/name_pattern.h"
#include "items/protected_places.h"
#include "platform/path_join.h"
#include "platform/utf8.h"

namespace nivaro {
namespace {

// No Local State or profiles.ini comes near this; a file past it is not read into memory.
constexpr std::uint64_t kSettingsLimit = kLargestReadableFile;
// More profiles than anyone has: past this a folder is not taken for a profile.
constexpr std::size_t kMostProfiles = 1000;
constexpr std::size_t kListingBatch = 256;

// The steps of a relative path written with either separator; nothing when one of them is empty,
// "." or "..", which would lead somewhere else than below the folder.
std::optional<std::vector<std::wstring>> Steps(std::wstring_view relative)
{
    std::vector<std::wstring> steps;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = relative.find_first_of(L"\\/", start);
        std::wstring_view step =
            relative.substr(start, end == std::wstring_view::npos ? std::wstring_view::npos : end - start);
        if (step.empty() || step == L"." || step == L"..") {
            return std::nullopt;
        }
        steps.emplace_back(step);
        if (end == std::wstring_view::npos) {
            return steps;
        }
        start = end + 1;
    }
}

std::wstring JoinSteps(std::wstring base, const std::vector<std::wstring>& steps, wchar_t separator)
{
    for (const std::wstring& step : steps) {
        base = JoinPath(base, step, separator);
    }
    return base;
}

// "Default", "Profile 1": the folders a Chromium browser makes for its profiles.
bool IsChromiumProfileName(std::wstring_view name)
{
    if (SameIgnoringCase(name, L"Default")) {
        return true;
    }
    constexpr std::wstring_view kPrefix = L"Profile ";
    return name.size() > kPrefix.size() && SameIgnoringCase(name.substr(0, kPrefix.size()), kPrefix) &&
           std::ranges::all_of(name.substr(kPrefix.size()), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

// The folder at a configured path, where it really is, unless that is a protected place.
Result<std::unique_ptr<ProfileFolder>> OpenConfigured(const std::wstring& path, ProfileFiles& profiles,
                                                      FileSystem& files, Environment& environment)
{
    Result<std::unique_ptr<ProfileFolder>> folder = profiles.OpenFolder(path);
    if (!folder) {
        return folder;
    }
    // The protected places compare what a folder is, not how it is spelled: the folder is asked
    // where it really is, and that place is opened as the file system's folder to be compared.
    // One that cannot be opened so is not cleaned.
    Result<std::unique_ptr<FolderHandle>> checked = files.OpenFolder((*folder)->Path());
    if (!checked) {
        return Fail(error_number::kPermissionDenied,
                    (*folder)->Path() + L" cannot be compared with the protected places, so it is never cleaned");
    }
    if (std::optional<std::wstring> why = WhyProtected(**checked, files, environment)) {
        return Fail(error_number::kPermissionDenied, std::move(*why));
    }
    return folder;
}

bool IsAbsent(const Error& error)
{
    return error.number == file_status::kFileNotFound || error.number == file_status::kPathNotFound;
}

// Adds the profile unless a profile of the same folder is there already.
void AddProfile(BrowserProfiles& found, DiscoveredProfile profile)
{
    const bool twice = std::ranges::any_of(found.profiles, [&](const DiscoveredProfile& other) {
        return other.folder && profile.folder && SameIgnoringCase(other.folder->Path(), profile.folder->Path());
    });
    if (twice) {
        found.notes.push_back(profile.name + L" is the same folder as another profile");
        return;
    }
    found.profiles.push_back(std::move(profile));
}

struct NamedProfile {
    std::wstring name;
    std::wstring label;
};

// Local State's profile.info_cache: each profile's folder name and the name people see.
std::vector<NamedProfile> InfoCache(std::string_view text, std::vector<std::wstring>& notes)
{
    const nlohmann::json state = nlohmann::json::parse(text, nullptr, false);
    if (state.is_discarded() || !state.is_object()) {
        notes.emplace_back(L"Local State is not one the browser wrote; its profile folders are used");
        return {};
    }
    const auto profile = state.find("profile");
    if (profile == state.end() || !profile->is_object()) {
        return {};
    }
    const auto cache = profile->find("info_cache");
    if (cache == profile->end() || !cache->is_object()) {
        return {};
    }
    std::vector<NamedProfile> named;
    for (const auto& [key, value] : cache->items()) {
        std::wstring label;
        if (value.is_object()) {
            if (const auto name = value.find("name"); name != value.end() && name->is_string()) {
                label = FromUtf8(name->get<std::string>());
            }
        }
        named.push_back({FromUtf8(key), std::move(label)});
    }
    return named;
}

// The names of the data folder's subfolders that look like Chromium's profile folders, learnt
// from the folder's listing; each is opened by handle afterwards.
std::vector<std::wstring> ListedProfileNames(FileSystem& files, const std::wstring& path)
{
    std::vector<std::wstring> names;
    auto folder = files.OpenFolder(path);
    if (!folder) {
        return names;
    }
    std::vector<ShellEntry> batch;
    for (bool more = true; more && names.size() < kMostProfiles;) {
        batch.clear();
        Result<bool> read = (*folder)->Next(batch, kListingBatch);
        for (const ShellEntry& entry : batch) {
            if ((entry.attributes & file_attr::kDirectory) != 0 && IsChromiumProfileName(entry.name)) {
                names.push_back(entry.name);
            }
        }
        more = read.value_or(false);
    }
    std::ranges::sort(names);
    return names;
}

void DiscoverChromium(BrowserProfiles& found, ProfileFolder& data, ProfileFiles& profiles, FileSystem& files)
{
    std::vector<NamedProfile> named;
    Result<std::string> state = profiles.Read(data, L"Local State", kSettingsLimit);
    if (state) {
        named = InfoCache(*state, found.notes);
    } else if (!IsAbsent(state.error())) {
        found.notes.push_back(L"Local State cannot be read (" + state.error().description +
                              L"); its profile folders are used");
    }
    for (std::wstring& name : ListedProfileNames(files, data.Path())) {
        named.push_back({std::move(name), {}});
    }
    std::vector<std::wstring> seen;
    for (NamedProfile& candidate : named) {
        if (std::ranges::any_of(seen,
                                [&](const std::wstring& name) { return SameIgnoringCase(name, candidate.name); })) {
            continue;
        }
        if (seen.size() >= kMostProfiles) {
            found.notes.push_back(L"more than " + std::to_wstring(kMostProfiles) +
                                  L" profiles: the rest are not cleaned");
            break;
        }
        seen.push_back(candidate.name);
        DiscoveredProfile profile{.name = candidate.name,
                                  .label = candidate.label.empty() ? candidate.name : candidate.label,
                                  .path = JoinPath(data.Path(), candidate.name, profiles.Separator())};
        Result<std::unique_ptr<ProfileFolder>> folder = profiles.OpenSubfolder(data, candidate.name);
        if (!folder) {
            if (IsAbsent(folder.error())) {
                continue;  // Local State still names a profile that was removed
            }
            profile.problem = folder.error();
        } else {
            profile.path = (*folder)->Path();
            profile.cache = profile.path;
            profile.folder = std::move(*folder);
        }
        AddProfile(found, std::move(profile));
    }
}

struct IniProfile {
    std::wstring name;
    std::wstring path;
    bool relative = false;
};

// The [ProfileN] sections of profiles.ini; the rest of the file is the browser's own business.
std::vector<IniProfile> IniProfiles(std::string_view text)
{
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    std::vector<IniProfile> found;
    bool inProfile = false;
    while (!text.empty() && found.size() <= kMostProfiles) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
            line.remove_suffix(1);
        }
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
            line.remove_prefix(1);
        }
        if (line.starts_with('[') && line.ends_with(']')) {
            const std::wstring section = FromUtf8(line.substr(1, line.size() - 2));
            inProfile = section.size() >= 7 && SameIgnoringCase(std::wstring_view(section).substr(0, 7), L"Profile");
            if (inProfile) {
                found.push_back({});
            }
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inProfile || equals == std::string_view::npos) {
            continue;
        }
        const std::wstring key = FromUtf8(line.substr(0, equals));
        const std::wstring value = FromUtf8(line.substr(equals + 1));
        if (SameIgnoringCase(key, L"Name")) {
            found.back().name = value;
        } else if (SameIgnoringCase(key, L"Path")) {
            found.back().path = value;
        } else if (SameIgnoringCase(key, L"IsRelative")) {
            found.back().relative = value == L"1";
        }
    }
    return found;
}

void DiscoverFirefox(BrowserProfiles& found, ProfileFolder& data, ProfileFiles& profiles, FileSystem& files,
                     Environment& environment)
{
    Result<std::string> ini = profiles.Read(data, L"profiles.ini", kSettingsLimit);
    if (!ini) {
        if (!IsAbsent(ini.error())) {
            found.problem = Error{ini.error().number, L"profiles.ini cannot be read: " + ini.error().description};
        }
        return;
    }
    const wchar_t separator = profiles.Separator();
    const std::optional<std::wstring> local = environment.KnownFolder(KnownPlace::kLocalAppData);
    for (const IniProfile& entry : IniProfiles(*ini)) {
        if (entry.path.empty()) {
            continue;
        }
        DiscoveredProfile profile{
            .name = entry.path, .label = entry.name.empty() ? entry.path : entry.name, .path = entry.path};
        Result<std::unique_ptr<ProfileFolder>> folder;
        if (entry.relative) {
            const std::optional<std::vector<std::wstring>> steps = Steps(entry.path);
            if (!steps) {
                profile.problem = Error{profile_status::kBadName,
                                        L"profiles.ini's path " + entry.path + L" leads out of the browser's folder"};
                AddProfile(found, std::move(profile));
                continue;
            }
            profile.path = JoinSteps(data.Path(), *steps, separator);
            if (local) {
                profile.cache =
                    JoinSteps(JoinSteps(*local, *Steps(found.browser->cachePath), separator), *steps, separator);
            }
            folder = profiles.OpenSubfolder(data, steps->front());
            for (std::size_t step = 1; folder && step < steps->size(); ++step) {
                folder = profiles.OpenSubfolder(**folder, (*steps)[step]);
            }
        } else if (files.Form(entry.path) == PathForm::kFull) {
            folder = OpenConfigured(entry.path, profiles, files, environment);
        } else {
            profile.problem =
                Error{error_number::kPathNotFound, L"profiles.ini's path " + entry.path + L" is not a full local path"};
            AddProfile(found, std::move(profile));
            continue;
        }
        if (!folder) {
            if (IsAbsent(folder.error())) {
                found.notes.push_back(L"profiles.ini names " + entry.path + L", which is not there");
                continue;
            }
            profile.problem = folder.error();
        } else {
            profile.path = (*folder)->Path();
            if (!entry.relative || profile.cache.empty()) {
                profile.cache = profile.path;  // a profile elsewhere keeps its cache inside it
            }
            profile.folder = std::move(*folder);
        }
        AddProfile(found, std::move(profile));
    }
}

}  // namespace

std::optional<std::wstring> DataFolderPath(const BrowserInfo& browser, Environment& environment, wchar_t separator)
{
    const std::optional<std::wstring> base = environment.KnownFolder(browser.place);
    const std::optional<std::vector<std::wstring>> steps = Steps(browser.path);
    if (!base || !steps) {
        return std::nullopt;
    }
    return JoinSteps(*base, *steps, separator);
}

BrowserProfiles DiscoverProfiles(const BrowserInfo& browser, const std::wstring& dataPath, ProfileFiles& profiles,
                                 FileSystem& files, Environment& environment)
{
    BrowserProfiles found{.browser = &browser, .dataPath = dataPath};
    Result<std::unique_ptr<ProfileFolder>> data = OpenConfigured(dataPath, profiles, files, environment);
    if (!data) {
        if (!IsAbsent(data.error())) {
            found.present = true;
            found.problem = data.error();
        }
        return found;
    }
    found.present = true;
    found.dataPath = (*data)->Path();
    switch (browser.layout) {
    case ProfileLayout::kUserData:
        DiscoverChromium(found, **data, profiles, files);
        break;
    case ProfileLayout::kSingleProfile: {
        DiscoveredProfile profile{.path = found.dataPath};
        const std::size_t leaf = found.dataPath.find_last_of(profiles.Separator());
        profile.name = found.dataPath.substr(leaf == std::wstring::npos ? 0 : leaf + 1);
        profile.label = profile.name;
        const std::optional<std::wstring> local = environment.KnownFolder(browser.cachePlace);
        if (local && Steps(browser.cachePath)) {
            profile.cache = JoinSteps(*local, *Steps(browser.cachePath), profiles.Separator());
        }
        profile.folder = std::move(*data);
        found.profiles.push_back(std::move(profile));
        break;
    }
    case ProfileLayout::kFirefoxProfiles:
        DiscoverFirefox(found, **data, profiles, files, environment);
        break;
    }
    return found;
}

}  // namespace nivaro
