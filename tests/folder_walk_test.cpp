// Folder targets that reach beyond one folder's own entries, on this build's backend: paths with
// wildcards, recursive targets, targets that remove the folders they empty, and the exclusions that
// keep what they name. Each case makes its folders in a scratch folder of its own, previews and
// cleans one item, and checks that the preview foretold the clean and what is left on disk.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "items/folder_plan.h"
#include "items/item_engine.h"
#include "items/item_paths.h"
#include "platform/backend.h"
#include "platform/name_case.h"
#include "platform/run_pace.h"
#include "tests/support/folder_fixture.h"
#include "tests/support/known_folders.h"
#include "tests/support/target_outcome.h"

namespace nivaro {
namespace {

using Outcomes = std::map<std::wstring, Outcome>;
using Paths = std::set<std::wstring>;

// A scratch folder and this backend's services; paths are written relative to the scratch folder
// with '/' between their steps.
struct Disk {
    FolderFixture disk;
    BackendServices backend;
    PlatformServices services = backend.Services();
    RegistryApi* registry = &services.registry;
    FileSystem* files = &services.files;

    std::wstring At(std::wstring_view relative) const
    {
        std::wstring path = disk.Root();
        for (std::size_t start = 0; start < relative.size();) {
            const std::size_t slash = std::min(relative.find(L'/', start), relative.size());
            path = FolderFixture::Join(path, relative.substr(start, slash - start));
            start = slash + 1;
        }
        return path;
    }

    // Each path is a file, or with a '/' at its end a folder; the folders on the way are made too.
    void Make(const std::vector<std::wstring>& layout) const
    {
        for (const std::wstring& entry : layout) {
            std::wstring folder;
            for (std::size_t slash = entry.find(L'/'); slash != std::wstring::npos; slash = entry.find(L'/', slash + 1)) {
                folder = entry.substr(0, slash);
                if (!disk.Exists(At(folder))) {
                    ASSERT_TRUE(disk.MakeFolder(At(folder))) << folder;
                }
            }
            if (!entry.ends_with(L'/')) {
                ASSERT_TRUE(disk.MakeFile(At(entry), 4)) << entry;
            }
        }
    }

    // Everything under the scratch folder now.
    Paths Left() const
    {
        Paths left;
        for (const auto& [path, entry] : disk.Tree(disk.Root(), L"")) {
            left.insert(path);
        }
        return left;
    }

    // A target's path relative to the scratch folder, as the plan shows where it really is.
    std::wstring Relative(const std::wstring& path) const
    {
        auto root = files->OpenFolder(disk.Root());
        std::wstring relative = root && path.starts_with((*root)->Path()) ? path.substr((*root)->Path().size() + 1) : path;
        std::ranges::replace(relative, FolderFixture::Separator(), L'/');
        return relative;
    }

    Outcomes Of(const ItemPlan& plan, bool done) const
    {
        Outcomes outcomes;
        for (const PlannedTarget& target : plan.targets) {
            const bool removed = done ? target.removed : target.remove;
            outcomes[Relative(target.entry.path)] = {removed, removed ? LeaveReason::kNone : target.reason};
        }
        return outcomes;
    }
};

FolderTarget Target(std::wstring path, std::vector<std::wstring> patterns, FolderDepth depth = FolderDepth::kOwnEntries)
{
    return {.form = FolderForm::kExpanded, .path = std::move(path), .patterns = std::move(patterns), .depth = depth};
}

Exclusion Excluded(Exclusion::Kind kind, std::wstring path, std::vector<std::wstring> patterns = {})
{
    return {.kind = kind, .path = std::move(path), .patterns = std::move(patterns)};
}

struct WalkCase {
    const char* what;
    std::vector<std::wstring> layout;
    std::function<ItemDefinition(const Disk&)> item;
    Outcomes outcomes;  // of every target, by its path
    Paths left;         // everything under the scratch folder afterwards
};

void RunWalkCases(const std::vector<WalkCase>& cases)
{
    for (const WalkCase& c : cases) {
        SCOPED_TRACE(c.what);
        Disk disk;
        ASSERT_FALSE(disk.disk.Root().empty());
        disk.Make(c.layout);
        if (::testing::Test::HasFatalFailure()) {
            return;
        }
        const ItemDefinition item = c.item(disk);
        const Paths before = disk.Left();
        Unpaced pace;

        const ItemPlan preview = PlanItem(disk.services, item, Foresight::kDecideEach, pace);
        EXPECT_FALSE(preview.problem) << preview.problem->description;
        EXPECT_EQ(disk.Of(preview, false), c.outcomes) << "the preview";
        EXPECT_EQ(disk.Left(), before) << "a preview changes nothing";

        ItemPlan clean = PlanItem(disk.services, item, Foresight::kListOnly, pace);
        CarryItem(disk.services, clean, pace);
        EXPECT_EQ(disk.Of(clean, true), c.outcomes) << "the clean does what its preview said";
        EXPECT_EQ(disk.Left(), c.left);
    }
}

TEST(FolderWalk, WildcardsMatchFoldersOneComponentAtATime)
{
    RunWalkCases({
        {"a wildcard matches each profile's folder; what matches no component is left alone",
         {L"Profiles/one/cache2/a.tmp", L"Profiles/two/cache2/b.tmp", L"Profiles/three/other/c.tmp",
          L"Profiles/notes.txt", L"Profiles/four/"},
         [](const Disk& d) { return ItemDefinition{.targets = {Target(d.At(L"Profiles/*/cache2"), {})}}; },
         {{L"Profiles/one/cache2/a.tmp", kRemoved}, {L"Profiles/two/cache2/b.tmp", kRemoved}},
         {L"Profiles", L"Profiles/one", L"Profiles/one/cache2", L"Profiles/two", L"Profiles/two/cache2",
          L"Profiles/three", L"Profiles/three/other", L"Profiles/three/other/c.tmp", L"Profiles/notes.txt",
          L"Profiles/four"}},
        {"? and * in several components, and a component written in another case than the folder's",
         {L"Data/App1/User Data/Default/Cache/x.bin", L"Data/App2/User Data/Profile 1/Cache/y.bin",
          L"Data/App2/User Data/Profile 1/Cache/y.txt", L"Data/Bpp3/User Data/Default/Cache/z.bin"},
         [](const Disk& d) { return ItemDefinition{.targets = {Target(d.At(L"Data/App?/user data/*/CACHE"), {L"*.bin"})}}; },
         {{L"Data/App1/User Data/Default/Cache/x.bin", kRemoved}, {L"Data/App2/User Data/Profile 1/Cache/y.bin", kRemoved}},
         {L"Data", L"Data/App1", L"Data/App1/User Data", L"Data/App1/User Data/Default", L"Data/App1/User Data/Default/Cache",
          L"Data/App2", L"Data/App2/User Data", L"Data/App2/User Data/Profile 1", L"Data/App2/User Data/Profile 1/Cache",
          L"Data/App2/User Data/Profile 1/Cache/y.txt", L"Data/Bpp3", L"Data/Bpp3/User Data",
          L"Data/Bpp3/User Data/Default", L"Data/Bpp3/User Data/Default/Cache",
          L"Data/Bpp3/User Data/Default/Cache/z.bin"}},
        {"a wildcard that matches nothing cleans nothing",
         {L"Profiles/one/a.tmp"},
         [](const Disk& d) { return ItemDefinition{.targets = {Target(d.At(L"Profiles/x*/cache2"), {})}}; },
         {},
         {L"Profiles", L"Profiles/one", L"Profiles/one/a.tmp"}},
    });
}

TEST(FolderWalk, ARecursiveTargetReachesEveryDepthAndRemovesOnlyWhatItNames)
{
    std::wstring deep = L"Deep";
    for (std::size_t level = 1; level <= kDeepestFolder + 1; ++level) {
        deep += L"/d" + std::to_wstring(level);
    }
    std::wstring deepest = deep.substr(0, deep.rfind(L'/'));  // the deepest folder a walk enters
    Paths deepLeft = {L"Deep/d1/keep.txt", deep, deep + L"/x.log"};
    for (std::size_t slash = deepest.find(L'/'); slash != std::wstring::npos; slash = deepest.find(L'/', slash + 1)) {
        deepLeft.insert(deepest.substr(0, slash));
    }
    deepLeft.insert(deepest);
    deepLeft.insert(L"Deep");

    RunWalkCases({
        {"the entries its patterns name go at every depth; the rest and the folders stay",
         {L"App/a.log", L"App/keep.txt", L"App/sub/b.log", L"App/sub/deeper/c.log", L"App/sub/deeper/d.txt"},
         [](const Disk& d) { return ItemDefinition{.targets = {Target(d.At(L"App"), {L"*.log"}, FolderDepth::kRecurse)}}; },
         {{L"App/a.log", kRemoved}, {L"App/sub/b.log", kRemoved}, {L"App/sub/deeper/c.log", kRemoved}},
         {L"App", L"App/keep.txt", L"App/sub", L"App/sub/deeper", L"App/sub/deeper/d.txt"}},
        {"a folder further below than any walk goes stays, with what it holds",
         {L"Deep/d1/y.log", L"Deep/d1/keep.txt", deep + L"/x.log"},
         [](const Disk& d) { return ItemDefinition{.targets = {Target(d.At(L"Deep"), {L"*.log"}, FolderDepth::kRecurse)}}; },
         {{L"Deep/d1/y.log", kRemoved}, {deep, Stays(LeaveReason::kTooDeep)}},
         deepLeft},
        {"wildcards and recursion together",
         {L"Profiles/one/Cache/a.tmp", L"Profiles/one/Cache/sub/b.tmp", L"Profiles/two/Cache/c.tmp"},
         [](const Disk& d) {
             return ItemDefinition{.targets = {Target(d.At(L"Profiles/*/Cache"), {L"*.tmp"}, FolderDepth::kRecurse)}};
         },
         {{L"Profiles/one/Cache/a.tmp", kRemoved}, {L"Profiles/one/Cache/sub/b.tmp", kRemoved}, {L"Profiles/two/Cache/c.tmp", kRemoved}},
         {L"Profiles", L"Profiles/one", L"Profiles/one/Cache", L"Profiles/one/Cache/sub", L"Profiles/two", L"Profiles/two/Cache"}},
    });
}

TEST(FolderWalk, RemovingTheFolderItselfRemovesEachFolderItEmpties)
{
    RunWalkCases({
        {"every folder it empties goes, then the folder itself",
         {L"App/a.tmp", L"App/sub/b.tmp", L"App/sub/deeper/c.tmp", L"App/empty/"},
         [](const Disk& d) { return ItemDefinition{.targets = {Target(d.At(L"App"), {}, FolderDepth::kRemoveSelf)}}; },
         {{L"App/a.tmp", kRemoved}, {L"App/sub/b.tmp", kRemoved}, {L"App/sub/deeper/c.tmp", kRemoved},
          {L"App/sub/deeper", kRemoved}, {L"App/sub", kRemoved}, {L"App/empty", kRemoved}, {L"App", kRemoved}},
         {}},
        {"a folder left holding what the patterns do not name stays, and so does every folder above it",
         {L"App/a.log", L"App/sub/b.log", L"App/sub/keep.txt", L"App/other/c.log"},
         [](const Disk& d) { return ItemDefinition{.targets = {Target(d.At(L"App"), {L"*.log"}, FolderDepth::kRemoveSelf)}}; },
         {{L"App/a.log", kRemoved}, {L"App/sub/b.log", kRemoved}, {L"App/other/c.log", kRemoved},
          {L"App/other", kRemoved}, {L"App/sub", Stays(LeaveReason::kNotEmpty)}, {L"App", Stays(LeaveReason::kNotEmpty)}},
         {L"App", L"App/sub", L"App/sub/keep.txt"}},
        {"a folder that holds a kept entry stays",
         {L"App/a.tmp", L"App/sub/kept.tmp"},
         [](const Disk& d) {
             return ItemDefinition{.targets = {Target(d.At(L"App"), {}, FolderDepth::kRemoveSelf)}, .keep = {L"kept.*"}};
         },
         {{L"App/a.tmp", kRemoved}, {L"App/sub/kept.tmp", Stays(LeaveReason::kKeepList)},
          {L"App/sub", Stays(LeaveReason::kNotEmpty)}, {L"App", Stays(LeaveReason::kNotEmpty)}},
         {L"App", L"App/sub", L"App/sub/kept.tmp"}},
    });
}

TEST(FolderWalk, ExclusionsKeepWhatTheyNameAtEveryDepth)
{
    const std::vector<std::wstring> layout = {
        L"App/a.log",       L"App/Filters.csv",      L"App/data.csv",          L"App/settings.ini",
        L"App/Keep/b.log",  L"App/Keep/inner/c.log", L"App/sub/d.log",         L"App/sub/deeper/e.log",
        L"App/sub/deeper/e.keep", L"App/sub/x.mine",
    };
    RunWalkCases({
        {"a file pattern, a folder and all below it, a pattern below a folder, a file by its path, and the keep-list",
         layout,
         [](const Disk& d) {
             return ItemDefinition{.targets = {Target(d.At(L"App"), {}, FolderDepth::kRecurse)},
                                   .keep = {L"*.mine"},
                                   .exclude = {Excluded(Exclusion::Kind::kFiles, d.At(L"App"), {L"filters.CSV"}),
                                               Excluded(Exclusion::Kind::kPath, d.At(L"App/Keep")),
                                               Excluded(Exclusion::Kind::kPath, d.At(L"App/sub"), {L"*.keep"}),
                                               Excluded(Exclusion::Kind::kPath, d.At(L"App/settings.ini"))}};
         },
         {{L"App/a.log", kRemoved}, {L"App/Filters.csv", Stays(LeaveReason::kExcluded)}, {L"App/data.csv", kRemoved},
          {L"App/settings.ini", Stays(LeaveReason::kExcluded)}, {L"App/Keep", Stays(LeaveReason::kExcluded)},
          {L"App/sub/d.log", kRemoved}, {L"App/sub/deeper/e.log", kRemoved},
          {L"App/sub/deeper/e.keep", Stays(LeaveReason::kExcluded)}, {L"App/sub/x.mine", Stays(LeaveReason::kKeepList)}},
         {L"App", L"App/Filters.csv", L"App/settings.ini", L"App/Keep", L"App/Keep/b.log", L"App/Keep/inner",
          L"App/Keep/inner/c.log", L"App/sub", L"App/sub/deeper", L"App/sub/deeper/e.keep", L"App/sub/x.mine"}},
        {"an excluded folder a wildcard matches is not cleaned; the others are",
         {L"Profiles/one/Cache/a.tmp", L"Profiles/two/Cache/b.tmp"},
         [](const Disk& d) {
             return ItemDefinition{.targets = {Target(d.At(L"Profiles/*/Cache"), {})},
                                   .exclude = {Excluded(Exclusion::Kind::kPath, d.At(L"Profiles/tw?"))}};
         },
         {{L"Profiles/one/Cache/a.tmp", kRemoved}, {L"Profiles/two/Cache/b.tmp", Stays(LeaveReason::kExcluded)}},
         {L"Profiles", L"Profiles/one", L"Profiles/one/Cache", L"Profiles/two", L"Profiles/two/Cache",
          L"Profiles/two/Cache/b.tmp"}},
        {"an exclusion of a folder that is not there keeps nothing",
         {L"App/a.log"},
         [](const Disk& d) {
             return ItemDefinition{.targets = {Target(d.At(L"App"), {})},
                                   .exclude = {Excluded(Exclusion::Kind::kPath, d.At(L"Nowhere"))}};
         },
         {{L"App/a.log", kRemoved}},
         {L"App"}},
        {"removing the folder itself stops at what an exclusion keeps",
         {L"App/a.tmp", L"App/sub/b.tmp", L"App/sub/Filters.csv"},
         [](const Disk& d) {
             return ItemDefinition{.targets = {Target(d.At(L"App"), {}, FolderDepth::kRemoveSelf)},
                                   .exclude = {Excluded(Exclusion::Kind::kFiles, d.At(L"App/sub"), {L"*.csv"})}};
         },
         {{L"App/a.tmp", kRemoved}, {L"App/sub/b.tmp", kRemoved}, {L"App/sub/Filters.csv", Stays(LeaveReason::kExcluded)},
          {L"App/sub", Stays(LeaveReason::kNotEmpty)}, {L"App", Stays(LeaveReason::kNotEmpty)}},
         {L"App", L"App/sub", L"App/sub/Filters.csv"}},
    });
}

// An exclusion that cannot be understood keeps everything it could: no folder of the item is
// cleaned, and the item says why.
TEST(FolderWalk, AnExclusionThatCannotBeUnderstoodKeepsEveryFolderOfTheItem)
{
    for (const std::wstring& unclear : {std::wstring(L"relative") + FolderFixture::Separator() + L"path",
                                        std::wstring(L"%NIVARO_NEVER_SET_VARIABLE%") + FolderFixture::Separator() + L"x"}) {
        SCOPED_TRACE(::testing::PrintToString(unclear));
        Disk disk;
        disk.Make({L"App/a.log", L"App/sub/b.log"});
        const ItemDefinition item{.targets = {Target(disk.At(L"App"), {}, FolderDepth::kRemoveSelf)},
                                  .exclude = {Excluded(Exclusion::Kind::kPath, unclear)}};
        Unpaced pace;
        for (Foresight foresight : {Foresight::kDecideEach, Foresight::kListOnly}) {
            ItemPlan plan = PlanItem(disk.services, item, foresight, pace);
            ASSERT_TRUE(plan.problem);
            EXPECT_NE(plan.problem->description.find(L"exclusion"), std::wstring::npos) << plan.problem->description;
            EXPECT_FALSE(plan.AnyPartRan());
            EXPECT_TRUE(plan.targets.empty());
            EXPECT_EQ(CarryItem(disk.services, plan, pace), 0u);
        }
        EXPECT_EQ(disk.Left(), (Paths{L"App", L"App/a.log", L"App/sub", L"App/sub/b.log"}));
    }
}

// The folder of one of the program's own items may be emptied by a user's item, never removed.
TEST(FolderWalk, TheFolderOfOneOfTheProgramsOwnItemsIsEmptiedButNeverRemoved)
{
    Disk disk;
    disk.Make({L"History/a.tmp", L"History/day/b.tmp"});
    const ShellFolderValue history(*disk.registry, L"History", disk.At(L"History"));
    ASSERT_TRUE(history.Written());
    const ItemDefinition item{.targets = {Target(disk.At(L"History"), {}, FolderDepth::kRemoveSelf)}};
    Unpaced pace;

    const ItemPlan preview = PlanItem(disk.services, item, Foresight::kDecideEach, pace);
    const Outcomes expected = {{L"History/a.tmp", kRemoved}, {L"History/day/b.tmp", kRemoved},
                               {L"History/day", kRemoved}, {L"History", Stays(LeaveReason::kProtected)}};
    EXPECT_EQ(disk.Of(preview, false), expected);
    ItemPlan clean = PlanItem(disk.services, item, Foresight::kListOnly, pace);
    CarryItem(disk.services, clean, pace);
    EXPECT_EQ(disk.Of(clean, true), expected);
    EXPECT_EQ(disk.Left(), Paths{L"History"});
}

// Each folder a wildcard matches is a protected place or not on its own: every user's profile
// folder is, so a path through them cleans none of them, and says so of each.
TEST(FolderWalk, EachFolderAWildcardMatchesIsCheckedForProtectionOnItsOwn)
{
    KnownFolders known;
    ASSERT_TRUE(known.Ready());
    const std::optional<std::wstring> profiles = known.PathOf(KnownPlace::kUserProfiles);
    ASSERT_TRUE(profiles);
    const ItemDefinition item{.targets = {Target(FolderFixture::Join(*profiles, L"*"), {L"nivaro-never-such-*"},
                                                 FolderDepth::kRemoveSelf)}};
    Unpaced pace;
    const PlatformServices services = known.Services();
    const ItemPlan plan = PlanItem(services, item, Foresight::kDecideEach, pace);
    ASSERT_FALSE(plan.problem) << plan.problem->description;
    ASSERT_FALSE(plan.targets.empty()) << "the profiles folder holds a profile at least";
    for (const PlannedTarget& target : plan.targets) {
        EXPECT_FALSE(target.remove) << target.entry.path;
        EXPECT_EQ(target.reason, LeaveReason::kProtected) << target.entry.path;
    }
}

// An item runs every target it can: each protected folder among its targets is left, named, with
// its reason, while the others are cleaned. Only an item none of whose targets can run cannot run,
// and its problem then names each of them.
TEST(FolderWalk, AProtectedTargetIsLeftAndNamedWhileTheItemsOtherTargetsRun)
{
    KnownFolders known;
    ASSERT_TRUE(known.Ready());
    const std::optional<std::wstring> windows = known.PathOf(KnownPlace::kWindows);
    const std::optional<std::wstring> programs = known.PathOf(KnownPlace::kProgramFiles);
    const std::optional<std::wstring> local = known.PathOf(KnownPlace::kLocalAppData);
    ASSERT_TRUE(windows && programs && local);
    const std::optional<std::wstring> traces = known.MakeFolder(FolderFixture::Join(*local, L"nivaro-traces"));
    ASSERT_TRUE(traces);
    const std::wstring trace = FolderFixture::Join(*traces, L"a.tmp");
    ASSERT_TRUE(known.Disk().MakeFile(trace, 3));
    const PlatformServices services = known.Services();
    Unpaced pace;
    // The protected targets name nothing that is there, should protection ever fail.
    const auto guarded = [](const std::wstring& path) { return Target(path, {L"nivaro-never-such-*"}); };
    const ItemDefinition item{.targets = {guarded(*windows), Target(*traces, {L"*.tmp"}), guarded(*programs)}};

    for (Foresight foresight : {Foresight::kDecideEach, Foresight::kListOnly}) {
        SCOPED_TRACE(foresight == Foresight::kDecideEach ? "preview" : "clean");
        ItemPlan plan = PlanItem(services, item, foresight, pace);
        const bool cleaning = foresight == Foresight::kListOnly;
        if (cleaning) {
            CarryItem(services, plan, pace);
        }
        EXPECT_FALSE(plan.problem) << plan.problem->description;
        std::map<std::size_t, std::vector<Outcome>> byPart;
        for (const PlannedTarget& target : plan.targets) {
            const bool gone = cleaning ? target.removed : target.remove;
            byPart[target.part].push_back({gone, gone ? LeaveReason::kNone : target.reason});
            if (target.part != 1) {
                EXPECT_TRUE(SameName(target.Label(), plan.parts[target.part].target)) << "it is named by its folder";
                EXPECT_TRUE(IsSameOrInside(target.Label(), target.part == 0 ? *windows : *programs, FolderFixture::Separator()))
                    << ::testing::PrintToString(target.Label());
            }
        }
        const std::map<std::size_t, std::vector<Outcome>> expected = {
            {0, {Stays(LeaveReason::kProtected)}}, {1, {kRemoved}}, {2, {Stays(LeaveReason::kProtected)}}};
        EXPECT_EQ(byPart, expected);
    }
    EXPECT_FALSE(known.Disk().Exists(trace)) << "the item's other target was cleaned";

    const ItemDefinition allProtected{.targets = {guarded(*windows), guarded(*programs)}};
    const ItemPlan refused = PlanItem(services, allProtected, Foresight::kDecideEach, pace);
    EXPECT_FALSE(refused.AnyPartRan());
    ASSERT_TRUE(refused.problem);
    EXPECT_TRUE(refused.targets.empty());
    for (const PlanPart& part : refused.parts) {
        EXPECT_NE(refused.problem->description.find(part.target), std::wstring::npos)
            << "the problem names each protected folder: " << ::testing::PrintToString(refused.problem->description);
    }
}

// The items file's variables: the environment's, and the known folders it names that no
// environment sets; a variable nothing answers to stays, so the path is no full path.
TEST(FolderWalk, TheFormatsVariablesNameTheEnvironmentsAndTheKnownFolders)
{
    KnownFolders known;
    ASSERT_TRUE(known.Ready());
    const PlatformServices services = known.Services();
    const wchar_t separator = FolderFixture::Separator();
    FolderFixture::SetVariable(L"NIVARO_TEST_DRIVE", L"C:");
    FolderFixture::SetVariable(L"NIVARO_TEST_ROOT", known.Disk().Root());
    const auto below = [&](std::wstring_view folder) { return std::wstring(folder) + separator + L"x"; };
    // Where the system has no such folder, the variable stays as it is written.
    const auto knownBelow = [&](KnownPlace place, std::wstring_view written) {
        const std::optional<std::wstring> folder = services.environment.KnownFolder(place);
        return below(folder ? *folder : written);
    };
    const struct {
        std::wstring written;
        std::wstring expanded;
    } rows[] = {
        {below(L"%Documents%"), knownBelow(KnownPlace::kDocuments, L"%Documents%")},
        {below(L"%documents%"), knownBelow(KnownPlace::kDocuments, L"%documents%")},
        {below(L"%LocalLowAppData%"), knownBelow(KnownPlace::kLocalAppDataLow, L"%LocalLowAppData%")},
        {below(L"%CommonAppData%"), knownBelow(KnownPlace::kProgramData, L"%CommonAppData%")},
        {below(L"%Music%"), knownBelow(KnownPlace::kMusic, L"%Music%")},
        {below(L"%Pictures%"), knownBelow(KnownPlace::kPictures, L"%Pictures%")},
        {below(L"%Video%"), knownBelow(KnownPlace::kVideos, L"%Video%")},
        {below(L"%NIVARO_TEST_ROOT%"), below(known.Disk().Root())},
        {L"%NIVARO_TEST_DRIVE%", std::wstring(L"C:") + separator},
        {below(L"%NIVARO_NEVER_SET_VARIABLE%"), below(L"%NIVARO_NEVER_SET_VARIABLE%")},
        {L"100% of %NIVARO_TEST_DRIVE%", L"100% of C:"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(row.written));
        EXPECT_EQ(ExpandItemPath(services, row.written), row.expanded);
    }
}

// --- What a clean says of each entry, and what it costs ---------------------------------------

// Counts what the file system is asked: how many folders are listed, and how many are open.
class CountingFiles final : public FileSystem {
public:
    explicit CountingFiles(FileSystem& inner) : inner_(inner) {}

    PathForm Form(std::wstring_view path) override { return inner_.Form(path); }
    bool Exists(std::wstring_view path) override { return inner_.Exists(path); }
    Result<std::string> ReadFile(std::wstring_view path) override { return inner_.ReadFile(path); }
    wchar_t Separator() const override { return inner_.Separator(); }
    Result<std::unique_ptr<FolderHandle>> OpenFolder(std::wstring_view path) override
    {
        auto opened = inner_.OpenFolder(path);
        if (!opened) {
            return opened;
        }
        return std::make_unique<Counted>(std::move(*opened), *this);
    }

    int listings = 0;    // listings begun
    int open = 0;        // folders open now
    int mostOpen = 0;

private:
    class Counted final : public FolderHandle {
    public:
        Counted(std::unique_ptr<FolderHandle> inner, CountingFiles& counts) : inner_(std::move(inner)), counts_(counts)
        {
            counts_.mostOpen = std::max(counts_.mostOpen, ++counts_.open);
        }
        ~Counted() override { --counts_.open; }
        const std::wstring& Path() const override { return inner_->Path(); }
        bool IsVolumeRoot() const override { return inner_->IsVolumeRoot(); }
        std::vector<FolderIdentity> Lineage(std::span<const FolderIdentity> known) const override
        {
            return inner_->Lineage(known);
        }
        bool OutsideTheDrives() const override { return inner_->OutsideTheDrives(); }
        EntryOpening Open(std::wstring_view name) override { return inner_->Open(name); }
        bool Holds(std::wstring_view name) override { return inner_->Holds(name); }
        bool StillInPlace() override { return inner_->StillInPlace(); }
        FolderOpening OpenSubfolder(std::wstring_view name, bool forRemoval) override
        {
            FolderOpening opening = inner_->OpenSubfolder(name, forRemoval);
            if (opening.folder) {
                opening.folder = std::make_unique<Counted>(std::move(opening.folder), counts_);
            }
            return opening;
        }
        DeleteOutcome RemoveIfEmpty() override { return inner_->RemoveIfEmpty(); }
        Result<bool> Next(std::vector<ShellEntry>& out, std::size_t most) override
        {
            counts_.listings += listed_ ? 0 : 1;
            listed_ = true;
            return inner_->Next(out, most);
        }

    private:
        std::unique_ptr<FolderHandle> inner_;
        CountingFiles& counts_;
        bool listed_ = false;
    };

    FileSystem& inner_;
};

// Calls `act` once, after the clean has carried out the given number of targets.
class PaceThatActs final : public RunPace {
public:
    PaceThatActs(std::size_t after, std::function<void()> act) : after_(after), act_(std::move(act)) {}
    bool Continue() override
    {
        if (carrying_ && seen_++ == after_) {
            act_();
        }
        return true;
    }
    void Progress(double) override { carrying_ = true; }

private:
    std::size_t after_;
    std::function<void()> act_;
    bool carrying_ = false;
    std::size_t seen_ = 0;
};

// Entries someone else removes while the clean runs are confirmed gone by the open that finds
// them missing, never by listing the folder again.
TEST(FolderClean, AnEntrySomeoneElseRemovedIsGoneWithoutAnotherListing)
{
    Disk disk;
    disk.Make({L"App/a.tmp", L"App/b.tmp", L"App/c.tmp", L"App/sub/d.tmp", L"App/sub/e.tmp"});
    CountingFiles files(*disk.files);
    const PlatformServices services{*disk.registry, files, disk.services.shell, disk.services.environment};
    const ItemDefinition item{.targets = {Target(disk.At(L"App"), {L"*.tmp"}, FolderDepth::kRecurse)}};
    PaceThatActs pace(0, [&] {  // once the list is taken, before the first entry's turn
        EXPECT_TRUE(disk.disk.RemoveFile(disk.At(L"App/b.tmp")));
        EXPECT_TRUE(disk.disk.RemoveFile(disk.At(L"App/sub/e.tmp")));
    });

    ItemPlan plan = PlanItem(services, item, Foresight::kListOnly, pace);
    const int listedByPlan = files.listings;
    CarryItem(services, plan, pace);

    EXPECT_EQ(listedByPlan, 2) << "the folder and its subfolder, once each";
    EXPECT_EQ(files.listings, listedByPlan) << "the clean lists nothing again";
    EXPECT_EQ(disk.Of(plan, true), (Outcomes{{L"App/a.tmp", kRemoved},
                                             {L"App/b.tmp", Stays(LeaveReason::kGone)},
                                             {L"App/c.tmp", kRemoved},
                                             {L"App/sub/d.tmp", kRemoved},
                                             {L"App/sub/e.tmp", Stays(LeaveReason::kGone)}}));
    EXPECT_EQ(disk.Left(), (Paths{L"App", L"App/sub"}));
}

// The folder is moved away mid-clean and another put in its place: whatever a platform that deletes
// by a path at the close does then, no entry still there is said to be removed.
TEST(FolderClean, AFolderSwappedMidCleanNeverMakesAnEntryThatStayedRemoved)
{
    Disk disk;
    disk.Make({L"App/a.tmp", L"App/b.tmp", L"App/c.tmp"});
    const std::wstring app = disk.At(L"App");
    const ItemDefinition item{.targets = {Target(app, {L"*.tmp"})}};
    PaceThatActs pace(1, [&] {
        ASSERT_TRUE(disk.disk.MoveFolder(app, disk.At(L"Moved")));
        disk.Make({L"App/b.tmp", L"App/c.tmp"});  // a folder of the same name, with entries of the same names
    });

    ItemPlan plan = PlanItem(disk.services, item, Foresight::kListOnly, pace);
    CarryItem(disk.services, plan, pace);

    const Paths left = disk.Left();
    ASSERT_EQ(plan.targets.size(), 3u);
    EXPECT_TRUE(plan.targets.front().removed) << "the first entry went before the swap";
    for (const PlannedTarget& target : plan.targets) {
        const std::wstring name = target.entry.name;
        SCOPED_TRACE(::testing::PrintToString(name));
        // The clean works in the folder it holds, which is "Moved" by now.
        EXPECT_EQ(target.removed, !left.contains(L"Moved/" + name)) << "said removed exactly when it is gone";
        if (!target.removed) {
            EXPECT_EQ(target.reason, LeaveReason::kChanged);
        }
    }
}

// An item of tens of thousands of folder targets holds a few folders open at a time, never all of
// them: the platform's handles would run out.
TEST(FolderClean, AnItemOfThirtyThousandFolderTargetsHoldsFewFoldersOpen)
{
    constexpr std::size_t kTargets = 30000;
    Disk disk;
    disk.Make({L"App/f0", L"App/f1", L"App/f2", L"App/sub/g0"});
    ItemDefinition item;
    for (std::size_t i = 0; i < kTargets; ++i) {
        item.targets.push_back(Target(disk.At(i % 2 == 0 ? L"App" : L"App/sub"), {L"?" + std::to_wstring(i / 2)},
                                      FolderDepth::kOwnEntries));
    }
    CountingFiles files(*disk.files);
    const PlatformServices services{*disk.registry, files, disk.services.shell, disk.services.environment};
    const std::size_t handlesBefore = FolderFixture::OpenHandles();
    std::size_t mostHandles = handlesBefore;
    class Sampling final : public RunPace {
    public:
        explicit Sampling(std::size_t& most) : most_(most) {}
        bool Continue() override
        {
            most_ = std::max(most_, FolderFixture::OpenHandles());
            return true;
        }

    private:
        std::size_t& most_;
    } pace(mostHandles);

    const ItemPlan preview = PlanItem(services, item, Foresight::kDecideEach, pace);
    EXPECT_FALSE(preview.problem) << preview.problem->description;
    EXPECT_EQ(preview.CountToRemove(), 4u);
    ItemPlan clean = PlanItem(services, item, Foresight::kListOnly, pace);
    EXPECT_EQ(CarryItem(services, clean, pace), 4u);

    EXPECT_LE(files.mostOpen, 2) << "the part's folder, and a known folder looked up beside it";
    EXPECT_LT(mostHandles, handlesBefore + 100) << "the process never held the folders all at once";
    EXPECT_EQ(disk.Left(), (Paths{L"App", L"App/sub"}));
}

}  // namespace
}  // namespace nivaro
