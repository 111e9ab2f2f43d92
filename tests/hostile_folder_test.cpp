// Folders that a hostile or careless program left behind: names that would reach elsewhere once
// joined to a path, links, names Windows cannot address, pipes. Each case is a folder made from
// the Linux side by tests/fixtures/make_test_folders.py (CTest runs it first); its 'target'
// is cleaned, after a preview, and everything else in the case must come out as it went in.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "main/headless_item_site.h"
#include "platform/run_pace.h"
#include "items/nv_folder.h"
#include "platform/backend.h"
#include "tests/support/folder_fixture.h"

namespace nivaro {
namespace {

// What becomes of an entry: removed, or left with its reason.
struct Outcome {
    bool removed = false;
    LeaveReason reason = LeaveReason::kNone;

    friend bool operator==(const Outcome&, const Outcome&) = default;
};

void PrintTo(const Outcome& outcome, std::ostream* out)
{
    *out << (outcome.removed ? "removed" : "stays: ");
    if (!outcome.removed) {
        const std::wstring_view reason = LeaveReasonText(outcome.reason);
        *out << std::string(reason.begin(), reason.end());
    }
}

constexpr Outcome kRemoved{true, LeaveReason::kNone};
constexpr Outcome Stays(LeaveReason reason)
{
    return {false, reason};
}

struct HostileCase {
    const wchar_t* name;  // the case's folder, as the script names it
    std::map<std::wstring, Outcome> entries;  // every entry the folder lists, and what becomes of it
};

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
        {L"trailing-dots-and-blanks",
         {{L"solo.", kRemoved},
          {L"dots...", kRemoved},
          {L"pair.", Stays(LeaveReason::kUnverifiableName)},
          {L"pair ", Stays(LeaveReason::kUnverifiableName)},
          {L"x.", Stays(LeaveReason::kUnverifiableName)},
          {L"x", kRemoved}}},
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
    std::unique_ptr<RegistryApi> registry = MakeRegistry();
    std::unique_ptr<FileSystem> files = MakeFileSystem();
    std::unique_ptr<Shell> shell = MakeShell();
    std::unique_ptr<Environment> environment = MakeEnvironment();
    const PlatformServices services{*registry, *files, *shell, *environment};
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

}  // namespace
}  // namespace nivaro
