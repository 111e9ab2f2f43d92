// What a preview foretells and what a clean then does, on this build's backend: the substitute
// natively, the real registry and disk under Wine.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "items/nv_folder.h"
#include "items/nv_reg.h"
#include "platform/backend.h"
#include "tests/support/folder_fixture.h"
#include "main/headless_item_site.h"
#include "platform/utf16.h"
#include "platform/utf8.h"
#include "registry/mod_reg.h"
#include "tests/support/registry_values.h"

namespace nivaro {
namespace {

std::vector<std::byte> Text(std::wstring_view text)
{
    std::vector<std::byte> bytes = EncodeUtf16(text);
    bytes.resize(bytes.size() + 2);
    return bytes;
}

std::vector<std::wstring> Sorted(std::vector<std::wstring> names)
{
    std::ranges::sort(names);
    return names;
}

std::vector<std::wstring> TargetNames(const ItemPlan& plan)
{
    std::vector<std::wstring> names;
    for (const PlannedTarget& target : plan.targets) {
        names.push_back(target.entry.name);
    }
    return Sorted(std::move(names));
}

class RegistryPlan : public ::testing::Test {
protected:
    void SetUp() override
    {
        path_ = L"Software\\Nivaro Tests\\Plan." +
                FromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name());
        DeleteKeyTree(*registry_, kCurrentUser, path_);
        ASSERT_TRUE(item_.ReadProperties({{L"RegKey", path_}}));
    }
    void TearDown() override { DeleteKeyTree(*registry_, kCurrentUser, path_); }

    void Set(std::wstring_view name, std::wstring_view text, const std::wstring& subkey = {})
    {
        RegistryKey key;
        ASSERT_EQ(registry_->CreateKey(kCurrentUser, subkey.empty() ? path_ : path_ + L"\\" + subkey, key), 0);
        ASSERT_EQ(registry_->SetValue(key, name, reg_type::kString, Text(text)), 0);
    }
    std::vector<std::wstring> Names() const { return Sorted(ListValueNames(*registry_, kCurrentUser, path_).value_or(std::vector<std::wstring>{})); }

    std::unique_ptr<RegistryApi> registry_ = MakeRegistry();
    HeadlessItemSite site_;
    NvReg item_{site_, *registry_};
    std::wstring path_;
};

TEST_F(RegistryPlan, ListsEveryNamedValueAsItIsAndChangesNothingUntilCarriedOut)
{
    Set(L"", L"default");
    for (const wchar_t* name : {L"url1", L" padded ", L"   ", L"café", L"日本"}) {
        Set(name, L"data");
    }
    Set(L"inner", L"stays", L"Sub");
    const std::vector<std::wstring> named = Sorted({L"url1", L" padded ", L"   ", L"café", L"日本"});

    ItemPlan plan = item_.Plan();

    EXPECT_FALSE(plan.problem);
    EXPECT_EQ(TargetNames(plan), named) << "names exactly as stored; the default value is not among them";
    EXPECT_EQ(plan.CountToRemove(), named.size());
    EXPECT_EQ(Names(), named) << "planning deletes nothing";

    EXPECT_EQ(item_.Carry(plan), named.size());
    EXPECT_EQ(std::ranges::count_if(plan.targets, &PlannedTarget::removed), static_cast<std::ptrdiff_t>(named.size()));
    EXPECT_EQ(Names(), std::vector<std::wstring>{});
    EXPECT_EQ(GetRegString(*registry_, kCurrentUser, path_, L""), L"default");
    EXPECT_EQ(GetRegString(*registry_, kCurrentUser, path_ + L"\\Sub", L"inner"), L"stays");
    EXPECT_TRUE(item_.Plan().targets.empty());
}

TEST_F(RegistryPlan, CarriesOutExactlyThePlanEvenWhenTheKeyChangedSince)
{
    Set(L"a", L"1");
    Set(L"b", L"2");
    ItemPlan plan = item_.Plan();
    Set(L"late", L"3");                     // added after the preview: not the clean's to delete
    ASSERT_TRUE(DeleteRegValue(*registry_, kCurrentUser, path_, L"b"));  // someone else was first

    EXPECT_EQ(item_.Carry(plan), 1u);

    std::map<std::wstring, LeaveReason> stayed;
    for (const PlannedTarget& target : plan.targets) {
        if (!target.removed) {
            stayed[target.entry.name] = target.reason;
        }
    }
    EXPECT_EQ(stayed, (std::map<std::wstring, LeaveReason>{{L"b", LeaveReason::kGone}}));
    EXPECT_EQ(Names(), std::vector<std::wstring>{L"late"});
}

TEST_F(RegistryPlan, AMissingKeyHasNothingToRemoveAndIsNotCreated)
{
    ItemPlan plan = item_.Plan();
    EXPECT_FALSE(plan.problem);
    EXPECT_TRUE(plan.targets.empty());
    EXPECT_EQ(item_.Carry(plan), 0u);
    RegistryKey key;
    EXPECT_EQ(registry_->OpenKey(kCurrentUser, path_, KeyAccess::kQuery, key), reg_status::kFileNotFound);
}

struct Expected {
    bool remove;
    LeaveReason reason;
    std::optional<std::uint64_t> size;
};

class FolderPlan : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(disk_.Root().empty());
        folder_ = FolderFixture::Join(disk_.Root(), L"traces");
        ASSERT_TRUE(disk_.MakeFolder(folder_));
        ASSERT_TRUE(item_.ReadProperties({{L"Folder", folder_}}));
    }

    std::wstring In(std::wstring_view name) const { return FolderFixture::Join(folder_, name); }

    std::map<std::wstring, Expected> Foretold(const ItemPlan& plan) const
    {
        std::map<std::wstring, Expected> foretold;
        for (const PlannedTarget& target : plan.targets) {
            foretold[target.entry.name] = {target.remove, target.reason, target.size};
        }
        return foretold;
    }

    std::unique_ptr<RegistryApi> registry_ = MakeRegistry();
    std::unique_ptr<FileSystem> files_ = MakeFileSystem();
    std::unique_ptr<Shell> shell_ = MakeShell();
    std::unique_ptr<Environment> environment_ = MakeEnvironment();
    HeadlessItemSite site_;
    NvFolder item_{site_, {*registry_, *files_, *shell_, *environment_}};
    FolderFixture disk_;
    std::wstring folder_;
};

bool operator==(const Expected& a, const Expected& b)
{
    return a.remove == b.remove && a.reason == b.reason && a.size == b.size;
}

void PrintTo(const Expected& e, std::ostream* out)
{
    *out << (e.remove ? "remove" : "leave") << " reason " << static_cast<int>(e.reason) << " size "
         << (e.size ? std::to_string(*e.size) : "none");
}

TEST_F(FolderPlan, ForetellsEachEntryWithoutChangingAnythingAndTheCleanDoesWhatItForetold)
{
    ASSERT_TRUE(disk_.MakeFile(In(L"a.txt"), 5));
    ASSERT_TRUE(disk_.MakeFile(In(L"hidden.dat"), 7));
    ASSERT_TRUE(disk_.Mark(In(L"hidden.dat"), {.hidden = true}));
    ASSERT_TRUE(disk_.MakeFile(In(L"read-only.txt"), 3));
    ASSERT_TRUE(disk_.Mark(In(L"read-only.txt"), {.readOnly = true}));
    ASSERT_TRUE(disk_.MakeFile(In(L"held.txt"), 2));
    ASSERT_TRUE(disk_.MakeFile(In(L"desktop.ini"), 1));
    ASSERT_TRUE(disk_.Mark(In(L"desktop.ini"), {.hidden = true, .system = true}));
    ASSERT_TRUE(disk_.MakeFolder(In(L"sub")));
    ASSERT_TRUE(disk_.MakeFile(FolderFixture::Join(In(L"sub"), L"inner.txt"), 4));
    const auto held = disk_.HoldWithoutDeleteSharing(In(L"held.txt"));
    ASSERT_TRUE(held);
    const std::vector<std::wstring> before = disk_.Names(folder_);

    ItemPlan plan = item_.Plan();

    ASSERT_FALSE(plan.problem) << plan.problem->description;
    EXPECT_EQ(plan.target, folder_);
    const std::map<std::wstring, Expected> expected = {
        {L"a.txt", {true, LeaveReason::kNone, 5}},
        {L"hidden.dat", {true, LeaveReason::kNone, 7}},
        {L"read-only.txt", {false, LeaveReason::kReadOnly, 3}},
        {L"held.txt", {false, LeaveReason::kLocked, 2}},
        {L"desktop.ini", {false, LeaveReason::kFolderSettings, 1}},
        {L"sub", {false, LeaveReason::kSubfolder, std::nullopt}},
    };
    EXPECT_EQ(Foretold(plan), expected);
    EXPECT_EQ(disk_.Names(folder_), before) << "a preview deletes nothing";
    EXPECT_EQ(disk_.FileSize(In(L"a.txt")), 5u);

    // A file made after the preview is not in the plan, and the clean leaves it.
    ASSERT_TRUE(disk_.MakeFile(In(L"later.txt"), 1));
    EXPECT_EQ(item_.Carry(plan), 2u);
    for (const PlannedTarget& target : plan.targets) {
        EXPECT_EQ(target.removed, target.remove) << target.entry.name;
        EXPECT_EQ(disk_.Exists(target.entry.path), !target.remove) << target.entry.name;
    }
    EXPECT_TRUE(disk_.Exists(In(L"later.txt")));
    EXPECT_TRUE(disk_.Exists(FolderFixture::Join(In(L"sub"), L"inner.txt")));
}

TEST_F(FolderPlan, AMissingFolderCannotRunAndNothingIsTouched)
{
    ASSERT_TRUE(item_.ReadProperties({{L"Folder", In(L"missing")}}));
    ItemPlan plan = item_.Plan();
    ASSERT_TRUE(plan.problem);
    EXPECT_EQ(plan.problem->number, error_number::kPathNotFound);
    EXPECT_NE(plan.problem->description.find(In(L"missing")), std::wstring::npos) << "the problem names the folder";
    EXPECT_TRUE(plan.targets.empty());
    EXPECT_EQ(item_.Carry(plan), 0u);
}

TEST_F(FolderPlan, LinksAreForetoldAsLinksAndShellItemsGoThroughTheShell)
{
    const std::wstring outside = FolderFixture::Join(disk_.Root(), L"outside");
    ASSERT_TRUE(disk_.MakeFolder(outside));
    ASSERT_TRUE(disk_.MakeFile(FolderFixture::Join(outside, L"target.txt"), 9));
    if (auto made = disk_.MakeFileLink(In(L"file-link"), FolderFixture::Join(outside, L"target.txt")); !made) {
        GTEST_SKIP() << "links cannot be made here: " << made.error().description;
    }
    if (auto made = disk_.MakeFolderLink(In(L"folder-link"), outside); !made) {
        GTEST_SKIP() << "links to folders cannot be made here: " << made.error().description;
    }
    const bool shellItem = disk_.AddVirtualItem(folder_, L"Visited page").has_value();

    ItemPlan plan = item_.Plan();
    const auto foretold = Foretold(plan);
    // A Unix link looks like its target, as Wine shows it: it cannot be deleted as a link, so it stays.
    EXPECT_EQ(foretold.at(L"file-link").remove, false);
    EXPECT_EQ(foretold.at(L"file-link").reason, LeaveReason::kLink);
    EXPECT_EQ(foretold.at(L"folder-link"), (Expected{false, LeaveReason::kLinkedFolder, std::nullopt}));
    if (shellItem) {
        EXPECT_TRUE(foretold.at(L"Visited page").remove);
    }

    EXPECT_EQ(item_.Carry(plan), shellItem ? 1u : 0u);
    EXPECT_TRUE(disk_.Exists(In(L"file-link")));
    EXPECT_TRUE(disk_.Exists(In(L"folder-link")));
    EXPECT_EQ(disk_.Names(outside), std::vector<std::wstring>{L"target.txt"}) << "what the links point at stays";
}

}  // namespace
}  // namespace nivaro
