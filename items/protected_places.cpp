#include "items/protected_places.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <span>
#include <vector>

namespace nivaro {
namespace {

// A place as the system names it, and the rule that guards it.
struct Named {
    std::wstring path;
    PlaceRule rule;
    std::wstring what;
    std::optional<KnownPlace> place;  // when it is one of the places the logic knows by name

    friend bool operator==(const Named&, const Named&) = default;
};

// A place as it is.
struct Guarded {
    const Named* named;
    FolderIdentity identity;
};

// A folder that holds one or more places, and the first of them in the order they are named.
struct Holder {
    FolderIdentity identity;
    const Named* held;
};

bool Holds(std::span<const FolderIdentity> lineage, const FolderIdentity& identity)
{
    return std::ranges::find(lineage, identity) != lineage.end();
}

template <class Places>
bool Among(const Places& places, std::optional<KnownPlace> place)
{
    return place && std::ranges::find(places, *place) != places.end();
}

// Every place to guard, as the system names it now: the table's, then every other folder the
// system names. The places the items clean are not in the table, and the system's other folders
// leave out every place that the logic knows by name.
std::vector<Named> NamedPlaces(Environment& environment)
{
    std::vector<Named> named;
    for (const ProtectedPlace& place : kProtectedPlaces) {
        if (std::optional<std::wstring> path = environment.KnownFolder(place.place)) {
            named.push_back({std::move(*path), place.rule, std::wstring(place.what), place.place});
        }
    }
    for (SystemFolder& folder : environment.SystemFolders()) {
        named.push_back({std::move(folder.path), folder.common ? PlaceRule::kItselfAndInside : PlaceRule::kItself,
                         folder.common ? L"a folder that every user shares" : L"one of the system's own folders",
                         std::nullopt});
    }
    return named;
}

// The places as they are, worked out again only when the system names others, or a minute on.
// Each place's folder is opened once, however many names it has, and the folders above it are
// walked only up to the first one already known to hold a place: the places share most of their
// holders, and the Linux folders above a Wine drive are the same for all of its places.
class GuardedPlaces {
public:
    struct View {
        std::span<const Guarded> places;
        std::span<const Holder> holders;
    };

    // The places, for as long as the caller holds the lock.
    View Get(std::vector<Named> named, FileSystem& files, std::unique_lock<std::mutex>& lock)
    {
        lock = std::unique_lock(mutex_);
        const auto now = std::chrono::steady_clock::now();
        if (named != named_ || !workedOut_ || now - *workedOut_ > std::chrono::minutes(1)) {
            named_ = std::move(named);
            WorkOut(files);
            workedOut_ = now;
        }
        return {guarded_, holders_};
    }

private:
    void WorkOut(FileSystem& files)
    {
        guarded_.clear();
        holders_.clear();
        std::vector<FolderIdentity> walked;  // folders whose holders are all among holders_
        for (const Named& place : named_) {
            const auto same =
                std::ranges::find_if(guarded_, [&](const Guarded& g) { return g.named->path == place.path; });
            if (same != guarded_.end()) {
                guarded_.push_back({&place, same->identity});
                continue;
            }
            // Where the place really is: it may be a link, as the user's folders are under Wine.
            auto opened = files.OpenFolder(place.path);
            const std::vector<FolderIdentity> lineage =
                opened ? (*opened)->Lineage(walked) : std::vector<FolderIdentity>();
            if (lineage.empty()) {
                continue;
            }
            guarded_.push_back({&place, lineage.front()});
            for (const FolderIdentity& holder : std::span(lineage).subspan(1)) {
                if (std::ranges::find(holders_, holder, &Holder::identity) == holders_.end()) {
                    holders_.push_back({holder, &place});
                }
            }
            for (const FolderIdentity& folder : lineage) {
                if (!Holds(walked, folder)) {
                    walked.push_back(folder);
                }
            }
        }
    }

    std::mutex mutex_;
    std::vector<Named> named_;
    std::vector<Guarded> guarded_;
    std::vector<Holder> holders_;
    std::optional<std::chrono::steady_clock::time_point> workedOut_;
};

GuardedPlaces& Places()
{
    static GuardedPlaces places;
    return places;
}

}  // namespace

std::optional<std::wstring> WhyProtected(const FolderHandle& folder, FileSystem& files, Environment& environment,
                                         Reach reach)
{
    const std::wstring& path = folder.Path();
    if (folder.IsVolumeRoot()) {
        return path + L" is the root of a drive, which is never cleaned";
    }
    const std::vector<FolderIdentity> lineage = folder.Lineage({});
    if (lineage.empty()) {
        return path + L" cannot be told apart from the system's folders, so it is never cleaned";
    }
    const FolderIdentity& self = lineage.front();
    const std::span<const FolderIdentity> above = std::span(lineage).subspan(1);

    std::unique_lock<std::mutex> lock;
    const auto [places, holders] = Places().Get(NamedPlaces(environment), files, lock);
    const auto isUsersOwn = [&](const Guarded& place) {
        return Among(kUsersOwnPlaces, place.named->place) && Holds(lineage, place.identity);
    };
    const auto profile = std::ranges::find_if(places, [](const Guarded& place) {
        return place.named->place == KnownPlace::kProfile && place.named->rule == PlaceRule::kItself;
    });
    const bool inProfile = profile != places.end() && Holds(lineage, profile->identity);

    if (folder.OutsideTheDrives() && !inProfile) {
        return path + L" is reached outside the system's drives (through the drive that is the Linux root) and is "
                      L"not in the user's profile, so it is never cleaned";
    }
    const auto holder = std::ranges::find(holders, self, &Holder::identity);
    const Named* held = holder != holders.end() ? holder->held : nullptr;
    for (const Guarded& place : places) {
        const Named& named = *place.named;
        if (held == &named) {
            return path + L" holds " + named.what + L", so it is never cleaned";
        }
        switch (named.rule) {
        case PlaceRule::kItself:
            if (self == place.identity) {
                return path + L" is " + named.what + L", which is never cleaned";
            }
            break;
        case PlaceRule::kItselfAndInside:
            if (Holds(lineage, place.identity)) {
                return path + L" is " + named.what + L" or inside it, which is never cleaned";
            }
            break;
        case PlaceRule::kInsideButTheUsersOwn:
            if (Holds(above, place.identity) && !inProfile) {
                return path + L" is " + named.what + L" or inside it, which is never cleaned";
            }
            break;
        }
    }
    if (reach == Reach::kUsersOwn && std::ranges::none_of(places, isUsersOwn)) {
        return path + L" is not in the user's profile or AppData folders, where this item's traces are kept, so it "
                      L"is never cleaned";
    }
    return std::nullopt;
}

}  // namespace nivaro
