// Folders that a hostile or careless program left behind: names that would reach elsewhere once
// joined to a path, links, names Windows cannot address, pipes. Each case is a folder made from
// the Linux side by tests/fixtures/make_test_folders.py (CTest runs it first); its 'target'
// is cleaned, after a preview, and everything else in the case must come out as it went in.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "items/item_engine.h"
#include "main/headless_item_site.h"
#include "platform/run_pace.h"
#include "items/nv_folder.h"
#include "platform/backend.h"
#include "tests/support/folder_fixture.h"
#include "tests/support/target_outcome.h"

namespace nivaro {
namespace {

struct HostileCase {
    const wchar_t* name;  // the case's folder, as the script names it
    std::map<std::wstring, Outcome> entries;  // every entry the folder lists, and what becomes of it
};

// The cases of the table, with what a recursive walk makes of each entry where it goes further
// than the folder's own entries (keyed by the path below the target, steps joined by '/').
struct RecursiveCase {
    const wchar_t* copy;  // which of the script's copies of the cases: each row cleans its own
    const wchar_t* name;
    std::wstring path;  // the target's path below the case's folder, steps joined by '/'
    FolderDepth depth;
    std::map<std::wstring, Outcome> entries;
};

// The trailing-dots case, alike in a folder and in a recursive walk: a name Wine shows without its
// trailing dots and blanks goes only when no neighbour is shown the same.
std::map<std::wstring, Outcome> TrailingDotsAndBlanks()
{
    return {{L"solo.", kRemoved},
            {L"dots...", kRemoved},
            {L"pair.", Stays(LeaveReason::kUnverifiableName)},
            {L"pair ", Stays(LeaveReason::kUnverifiableName)},
            {L"x.", Stays(LeaveReason::kUnverifiableName)},
            {L"x", kRemoved}};
}

std::map<std::wstring, Outcome> Foretold(const ItemPlan& plan)
{
    std::map<std::wstring, Outcome> outcomes;
    for (const PlannedTarget& target : plan.targets) {
        outcomes[target.entry.name] = {target.remove, target.remove ? LeaveReason::kNone : target.reason};
    }
    return outcomes;
}

std::map<std::wstring, Outcome> Done(const ItemPlan& plan)
{
    std::map<std::wstring, Outcome> outcomes;
    for (const PlannedTarget& target : plan.targets) {
        outcomes[target.entry.name] = {target.removed, target.removed ? LeaveReason::kNone : target.reason};
    }
    return outcomes;
}

TEST(HostileFolders, ACleanRemovesItsTargetsAndNothingElseAndItsPreviewForetellsIt)
{
    const HostileCase cases[] = {
        {L"separator-names",
         {{L"a\\b", Stays(LeaveReason::kUnsafeName)},
          {L"..\\victim.txt", Stays(LeaveReason::kUnsafeName)},
          {L"a", Stays(LeaveReason::kSubfolder)},
          {L"plain.txt", kRemoved}}},
        {L"link-to-a-file-outside", {{L"link.txt", Stays(LeaveReason::kLink)}, {L"plain.txt", kRemoved}}},
        {L"link-to-a-folder-outside", {{L"dirlink", Stays(LeaveReason::kLinkedFolder)}}},
        {L"link-to-a-neighbour",
         {{L"alias", Stays(LeaveReason::kLink)},
          {L"q?x", Stays(LeaveReason::kUnopenableName)},
          {L"plain.txt", kRemoved}}},
        {L"dangling-link", {{L"plain.txt", kRemoved}}},
        {L"trailing-dots-and-blanks", TrailingDotsAndBlanks()},
        {L"names-windows-cannot-address",
         {{L"q?x", Stays(LeaveReason::kUnopenableName)},
          {L"star*", Stays(LeaveReason::kUnopenableName)},
          {L"lt<gt>", Stays(LeaveReason::kUnopenableName)},
          {L"pipe|", Stays(LeaveReason::kUnopenableName)},
          {L"quote\"", Stays(LeaveReason::kUnopenableName)}}},
        {L"device-names",
         {{L"CON", kRemoved}, {L"nul.txt", kRemoved}, {L"COM1", kRemoved}, {L"aux.log", kRemoved}, {L"a:b", kRemoved}}},
        {L"non-file-nodes",
         {{L"pipe", Stays(LeaveReason::kNotAFile)},
          {L"socket", Stays(LeaveReason::kNotAFile)},
          {L"plain.txt", kRemoved}}},
        {L"folder-that-is-a-link", {{L"a.txt", kRemoved}, {L"b.txt", kRemoved}}},
    };
    const std::wstring root = FolderFixture::Join(NIVARO_TEST_FOLDERS, L"hostile");
    BackendServices backend;
    const PlatformServices services = backend.Services();
    FolderFixture disk;

    for (const HostileCase& c : cases) {
        const std::wstring folder = FolderFixture::Join(root, c.name);
        SCOPED_TRACE(::testing::PrintToString(folder));
        ASSERT_TRUE(disk.Exists(folder)) << "made by tests/fixtures/make_test_folders.py, which CTest runs first";
        const std::wstring target = FolderFixture::Join(folder, L"target");
        // The case folder whole: a link in the target leads to a neighbour, and its target is
        // cleaned where it really is.
        const auto before = disk.Tree(folder, L"target");
        HeadlessItemSite site;
        NvFolder item(site, services);
        ASSERT_TRUE(item.ReadProperties({{L"Folder", target}}));

        const ItemPlan preview = item.Plan();
        ASSERT_FALSE(preview.problem) << preview.problem->description;
        EXPECT_EQ(Foretold(preview), c.entries) << "the preview";
        EXPECT_EQ(disk.Tree(folder, L"target"), before) << "a preview changes nothing";

        Unpaced pace;
        ItemPlan clean = item.Plan(Foresight::kListOnly, pace);
        ASSERT_FALSE(clean.problem) << clean.problem->description;
        item.Carry(clean, pace);
        EXPECT_EQ(Done(clean), c.entries) << "the clean does what its preview said";

        // Everything is as it was but the removed entries, which are gone.
        auto expected = before;
        const std::wstring listed = before.contains(L"real") ? L"real/" : L"target/";
        for (const auto& [name, outcome] : c.entries) {
            if (outcome.removed) {
                EXPECT_EQ(expected.erase(listed + name), 1u) << "a removed entry was there: " << ::testing::PrintToString(name);
            }
        }
        EXPECT_EQ(disk.Tree(folder, L"target"), expected) << "nothing but the removed entries changed";
    }
}

// Where a target is below the plan's first folder, by the exact names of the folders on the way:
// a name that holds a backslash stays one step.
std::wstring BelowBase(const ItemPlan& plan, const PlannedTarget& target)
{
    std::wstring path = target.container ? std::wstring() : target.entry.name;
    for (std::optional<std::size_t> at = target.folder; at && plan.folders[*at].parent; at = plan.folders[*at].parent) {
        path = plan.folders[*at].name + (path.empty() ? L"" : L"/" + path);
    }
    return path.empty() ? L"." : path;
}

std::map<std::wstring, Outcome> Below(const ItemPlan& plan, bool done)
{
    std::map<std::wstring, Outcome> outcomes;
    for (const PlannedTarget& target : plan.targets) {
        const bool removed = done ? target.removed : target.remove;
        outcomes[BelowBase(plan, target)] = {removed, removed ? LeaveReason::kNone : target.reason};
    }
    return outcomes;
}

std::wstring Native(std::wstring_view folder, std::wstring_view relative)
{
    std::wstring path(folder);
    for (std::size_t start = 0; start < relative.size();) {
        const std::size_t slash = std::min(relative.find(L'/', start), relative.size());
        path = FolderFixture::Join(path, relative.substr(start, slash - start));
        start = slash + 1;
    }
    return path;
}

TEST(HostileFolders, TheRecursiveWalkAndTheWildcardsEnterNoLinkAndRemoveNothingElse)
{
    const std::map<std::wstring, Outcome> nested = {
        {L"plain.txt", kRemoved},
        {L"sub/plain.txt", kRemoved},
        {L"sub/a\\b", Stays(LeaveReason::kUnsafeName)},
        {L"sub/link.txt", Stays(LeaveReason::kLink)},
        {L"sub/dirlink", Stays(LeaveReason::kLinkedFolder)},
        {L"sub/deeper/pipe", Stays(LeaveReason::kNotAFile)},
        {L"sub/deeper/x.txt", kRemoved},
    };
    auto withFolders = [](std::map<std::wstring, Outcome> entries) {
        entries[L"sub/deeper"] = Stays(LeaveReason::kNotEmpty);
        entries[L"sub"] = Stays(LeaveReason::kNotEmpty);
        entries[L"."] = Stays(LeaveReason::kNotEmpty);
        return entries;
    };
    const RecursiveCase cases[] = {
        {L"hostile-walk", L"separator-names", L"target", FolderDepth::kRecurse,
         {{L"a\\b", Stays(LeaveReason::kUnsafeName)},
          {L"..\\victim.txt", Stays(LeaveReason::kUnsafeName)},
          {L"a/b", kRemoved},
          {L"plain.txt", kRemoved}}},
        {L"hostile-walk", L"link-to-a-file-outside", L"target", FolderDepth::kRecurse,
         {{L"link.txt", Stays(LeaveReason::kLink)}, {L"plain.txt", kRemoved}}},
        {L"hostile-walk", L"link-to-a-folder-outside", L"target", FolderDepth::kRecurse, {{L"dirlink", Stays(LeaveReason::kLinkedFolder)}}},
        {L"hostile-walk", L"link-to-a-neighbour", L"target", FolderDepth::kRecurse,
         {{L"alias", Stays(LeaveReason::kLink)}, {L"q?x", Stays(LeaveReason::kUnopenableName)}, {L"plain.txt", kRemoved}}},
        {L"hostile-walk", L"trailing-dots-and-blanks", L"target", FolderDepth::kRecurse,
         TrailingDotsAndBlanks()},
        {L"hostile-walk", L"non-file-nodes", L"target", FolderDepth::kRecurse,
         {{L"pipe", Stays(LeaveReason::kNotAFile)}, {L"socket", Stays(LeaveReason::kNotAFile)}, {L"plain.txt", kRemoved}}},
        {L"hostile-walk", L"folder-that-is-a-link", L"target", FolderDepth::kRecurse, {{L"a.txt", kRemoved}, {L"b.txt", kRemoved}}},
        {L"hostile-walk", L"nested", L"target", FolderDepth::kRecurse, nested},
        {L"hostile-walk-2", L"nested", L"target", FolderDepth::kRemoveSelf, withFolders(nested)},
        {L"hostile-walk", L"wildcard-links", L"target/profiles/*/cache2", FolderDepth::kOwnEntries,
         {{L"real/cache2/a.txt", kRemoved}, {L"linked", Stays(LeaveReason::kLinkedFolder)}}},
        {L"hostile-walk-2", L"wildcard-links", L"target/profiles/*", FolderDepth::kRecurse,
         {{L"real/cache2/a.txt", kRemoved}, {L"linked", Stays(LeaveReason::kLinkedFolder)}}},
    };
    BackendServices backend;
    const PlatformServices services = backend.Services();
    FolderFixture disk;

    for (const RecursiveCase& c : cases) {
        const std::wstring folder = FolderFixture::Join(FolderFixture::Join(NIVARO_TEST_FOLDERS, c.copy), c.name);
        SCOPED_TRACE(::testing::PrintToString(Native(folder, c.path)) + " " + std::to_string(static_cast<int>(c.depth)));
        ASSERT_TRUE(disk.Exists(folder)) << "made by tests/fixtures/make_test_folders.py, which CTest runs first";
        const auto before = disk.Tree(folder, L"target");
        const ItemDefinition item{.targets = {FolderTarget{.form = FolderForm::kExpanded, .path = Native(folder, c.path), .depth = c.depth}}};
        Unpaced pace;

        const ItemPlan preview = PlanItem(services, item, Foresight::kDecideEach, pace);
        ASSERT_FALSE(preview.problem) << preview.problem->description;
        EXPECT_EQ(Below(preview, false), c.entries) << "the preview";
        EXPECT_EQ(disk.Tree(folder, L"target"), before) << "a preview changes nothing";

        ItemPlan clean = PlanItem(services, item, Foresight::kListOnly, pace);
        ASSERT_FALSE(clean.problem) << clean.problem->description;
        CarryItem(services, clean, pace);
        EXPECT_EQ(Below(clean, true), c.entries) << "the clean does what its preview said";

        auto expected = before;
        const std::wstring base = before.contains(L"real") ? L"real" : c.path.substr(0, c.path.find(L"/*"));
        for (const auto& [path, outcome] : c.entries) {
            if (outcome.removed) {
                EXPECT_EQ(expected.erase(path == L"." ? base : base + L"/" + path), 1u)
                    << "a removed entry was there: " << ::testing::PrintToString(path);
            }
        }
        EXPECT_EQ(disk.Tree(folder, L"target"), expected) << "nothing but the removed entries changed";
    }
}

}  // namespace
}  // namespace nivaro
