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
    bool usersOwn = false;  // one of kUsersOwnPlaces

    friend bool operator==(const Named&, const Named&) = default;
};

// A place as it is: its identity, and those of the folders that hold it.
struct Guarded {
    const Named* named;
    std::vector<FolderIdentity> lineage;  // the place itself first

    const FolderIdentity& Identity() const { return lineage.front(); }
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
// system names but those the items clean.
std::vector<Named> NamedPlaces(Environment& environment)
{
    std::vector<Named> named;
    for (const ProtectedPlace& place : kProtectedPlaces) {
        if (std::optional<std::wstring> path = environment.KnownFolder(place.place)) {
            named.push_back({std::move(*path), place.rule, std::wstring(place.what), Among(kUsersOwnPlaces, place.place)});
        }
    }
    for (SystemFolder& folder : environment.SystemFolders()) {
        if (!Among(kCleanablePlaces, folder.place)) {
            std::wstring what = L"one of the system's own folders";
            if (!folder.name.empty()) {
                what += L" (" + folder.name + L")";
            }
            named.push_back({std::move(folder.path), folder.common ? PlaceRule::kItselfAndInside : PlaceRule::kItself,
                             std::move(what), false});
        }
    }
    return named;
}

// The places as they are, worked out again only when the system names others, or a minute on:
// opening a hundred folders and their parents for every folder of a run would cost more than the
// run.
class GuardedPlaces {
public:
    // The places, for as long as the caller holds the lock.
    std::span<const Guarded> Get(std::vector<Named> named, FileSystem& files, std::unique_lock<std::mutex>& lock)
    {
        lock = std::unique_lock(mutex_);
        const auto now = std::chrono::steady_clock::now();
        if (named != named_ || !workedOut_ || now - *workedOut_ > std::chrono::minutes(1)) {
            named_ = std::move(named);
            guarded_.clear();
            for (const Named& place : named_) {
                // Where the place really is: it may be a link, as the user's folders are under Wine.
                if (auto opened = files.OpenFolder(place.path)) {
                    if (std::vector<FolderIdentity> lineage = (*opened)->Lineage(); !lineage.empty()) {
                        guarded_.push_back({&place, std::move(lineage)});
                    }
                }
            }
            workedOut_ = now;
        }
        return guarded_;
    }

private:
    std::mutex mutex_;
    std::vector<Named> named_;
    std::vector<Guarded> guarded_;
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
    const std::vector<FolderIdentity> lineage = folder.Lineage();
    if (lineage.empty()) {
        return path + L" cannot be told apart from the system's folders, so it is never cleaned";
    }
    const FolderIdentity& self = lineage.front();
    const std::span<const FolderIdentity> above = std::span(lineage).subspan(1);

    std::unique_lock<std::mutex> lock;
    const std::span<const Guarded> places = Places().Get(NamedPlaces(environment), files, lock);
    const auto isUsersOwn = [&](const Guarded& place) { return place.named->usersOwn && Holds(lineage, place.Identity()); };
    const auto profile = std::ranges::find_if(places, [&](const Guarded& place) {
        return place.named->rule == PlaceRule::kItself && place.named->what == L"the user's profile folder";
    });
    const bool inProfile = profile != places.end() && Holds(lineage, profile->Identity());

    if (folder.OutsideTheDrives() && !inProfile) {
        return path + L" is reached outside the system's drives (through the drive that is the Linux root) and is "
                      L"not in the user's profile, so it is never cleaned";
    }
    for (const Guarded& place : places) {
        const Named& named = *place.named;
        if (Holds(std::span(place.lineage).subspan(1), self)) {
            return path + L" holds " + named.what + L", so it is never cleaned";
        }
        switch (named.rule) {
        case PlaceRule::kItself:
            if (self == place.Identity()) {
                return path + L" is " + named.what + L", which is never cleaned";
            }
            break;
        case PlaceRule::kItselfAndInside:
            if (Holds(lineage, place.Identity())) {
                return path + L" is " + named.what + L" or inside it, which is never cleaned";
            }
            break;
        case PlaceRule::kInsideButTheUsersOwn:
            if (Holds(above, place.Identity()) && !inProfile) {
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
