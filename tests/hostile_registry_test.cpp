// Registry lists that a hostile or careless program left behind: a value whose name holds a NUL,
// a list key that is a link to another key, a key that refuses value deletes. Each case runs a
// preview and then a clean of the list key, and checks that they agree, what they say of each
// value, and that nothing but the removed values changed in the list key or its neighbours.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "cli/cli_app.h"
#include "main/headless_item_site.h"
#include "items/item_engine.h"
#include "items/nv_reg.h"
#include "platform/backend.h"
#include "platform/run_pace.h"
#include "platform/utf16.h"
#include "platform/utf8.h"
#include "registry/mod_reg.h"
#include "tests/support/folder_fixture.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/registry_values.h"
#include "tests/support/target_outcome.h"
#include "tests/support/utf16_units.h"

namespace nivaro {
namespace {

using namespace std::literals;

constexpr Outcome kRefused = Stays(LeaveReason::kRefused);

// The values of a key as bytes, by name; a name with a NUL cannot be read by the wide calls, so
// its data is not compared. The key is opened as itself: a link shows as a link.
using Values = std::map<std::wstring, std::optional<StoredValue>>;

std::optional<Values> Snapshot(RegistryApi& registry, const std::wstring& path)
{
    RegistryKey key;
    if (registry.OpenKey(kCurrentUser, path, KeyAccess::kQuery, KeyLinks::kOpenLinkItself, key) != reg_status::kSuccess) {
        return std::nullopt;
    }
    Values values;
    for (const std::wstring& name : ValueNamesWithDefault(registry, key)) {
        values[name] = ReadStoredValue(registry, key, name);
    }
    return values;
}

struct RegistryCase {
    const char* what;
    // Fills the list key (and may turn it into something else); the neighbour holds values of its own.
    std::function<void(RegistryFixture&, const std::wstring& list, const std::wstring& neighbour)> arrange;
    bool refusedAsLink;
    std::map<std::wstring, Outcome> values;  // what becomes of each named value of the list
};

TEST(HostileRegistry, ACleanRemovesItsValuesAndNothingElseAndItsPreviewForetellsIt)
{
    const RegistryCase cases[] = {
        {"a name with a NUL goes by its exact name; the default value and a name it starts with stay apart",
         [](RegistryFixture& f, const std::wstring& list, const std::wstring&) {
             ASSERT_TRUE(f.SetText(list, L"", L"the default value"));
             ASSERT_TRUE(f.SetText(list, L"a", L"one"));
             ASSERT_TRUE(f.SetText(list, L"a\0b"sv, L"planted"));
             ASSERT_TRUE(f.SetText(list, L"\0"sv, L"planted"));
         },
         false,
         {{L"a", kRemoved}, {L"a\0b"s, kRemoved}, {L"\0"s, kRemoved}}},
        {"a list key that is a link is never followed",
         [](RegistryFixture& f, const std::wstring& list, const std::wstring& neighbour) {
             ASSERT_TRUE(f.MakeLink(list, neighbour));
         },
         true,
         {}},
        {"a key that refuses value deletes keeps every value, and says so ahead",
         [](RegistryFixture& f, const std::wstring& list, const std::wstring&) {
             ASSERT_TRUE(f.SetText(list, L"url1", L"https://example.com/1"));
             ASSERT_TRUE(f.SetText(list, L"url2", L"https://example.com/2"));
             ASSERT_TRUE(f.DenyValueChanges(list));
         },
         false,
         {{L"url1", kRefused}, {L"url2", kRefused}}},
    };
    std::unique_ptr<RegistryApi> registry = MakeRegistry();
    for (const RegistryCase& c : cases) {
        SCOPED_TRACE(c.what);
        RegistryFixture fixture(*registry);
        const std::wstring list = fixture.Key(L"List");
        const std::wstring neighbour = fixture.Key(L"Neighbour");
        ASSERT_TRUE(fixture.SetText(neighbour, L"kept", L"a neighbour's value"));
        ASSERT_TRUE(fixture.SetText(neighbour, L"", L"a neighbour's default"));
        ASSERT_TRUE(fixture.SetText(fixture.Key(L"List Sibling"), L"kept", L"another neighbour"));
        c.arrange(fixture, list, neighbour);
        if (::testing::Test::HasFatalFailure()) {
            return;
        }
        const std::vector<std::wstring> watched = {list, neighbour, fixture.Key(L"List Sibling")};
        std::map<std::wstring, std::optional<Values>> before;
        for (const std::wstring& key : watched) {
            before[key] = Snapshot(*registry, key);
        }
        HeadlessItemSite site;
        NvReg item(site, *registry);
        ASSERT_TRUE(item.ReadProperties({{L"RegKey", list}}));

        const ItemPlan preview = item.Plan();
        Unpaced pace;
        ItemPlan clean = item.Plan(Foresight::kListOnly, pace);
        item.Carry(clean, pace);

        for (const ItemPlan* plan : {&preview, static_cast<const ItemPlan*>(&clean)}) {
            const bool isPreview = plan == &preview;
            SCOPED_TRACE(isPreview ? "the preview" : "the clean");
            EXPECT_EQ(plan->problem.has_value(), c.refusedAsLink);
            if (plan->problem) {
                EXPECT_EQ(plan->problem->description, L"the key is a link");
            }
            std::map<std::wstring, Outcome> outcomes;
            for (const PlannedTarget& target : plan->targets) {
                const bool removed = isPreview ? target.remove : target.removed;
                outcomes[target.entry.name] = {removed, removed ? LeaveReason::kNone : target.reason};
            }
            EXPECT_EQ(outcomes, c.values);
        }
        for (const std::wstring& key : watched) {
            SCOPED_TRACE(::testing::PrintToString(key));
            std::optional<Values> expected = before[key];
            if (key == list && expected) {
                for (const auto& [name, outcome] : c.values) {
                    if (outcome.removed) {
                        expected->erase(name);
                    }
                }
            }
            EXPECT_EQ(Snapshot(*registry, key), expected) << "nothing but the removed values changed";
        }
    }
}


// A link on a key above the list key leads the whole path elsewhere, into the machine's hive even:
// the key is refused as a link, in a preview and a clean alike, and nothing where it leads changes.
TEST(HostileRegistry, AKeyReachedThroughALinkAnywhereOnItsPathIsRefused)
{
    struct Case {
        const char* what;
        RegistryRoot targetRoot;  // where the link leads
        std::wstring below;       // the list key's path below the link
        bool eachSubkey;
    };
    const Case cases[] = {
        {"a parent that is a link to a key of the machine", kLocalMachine, L"List", false},
        {"a grandparent that is a link to a key of the machine", kLocalMachine, L"Deeper\\List", false},
        {"a parent that is a link to another key of the user's", kCurrentUser, L"List", false},
        {"a parent of a key of subkeys that is a link to the machine", kLocalMachine, L"List", true},
    };
    std::unique_ptr<RegistryApi> registry = MakeRegistry();
    std::unique_ptr<FileSystem> files = MakeFileSystem();
    std::unique_ptr<Shell> shell = MakeShell();
    std::unique_ptr<Environment> environment = MakeEnvironment();
    const PlatformServices services{*registry, *files, *shell, *environment};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RegistryFixture fixture(*registry);
        const std::wstring target =
            c.targetRoot == kLocalMachine ? fixture.MachineKey(L"Elsewhere") : fixture.Key(L"Elsewhere");
        const std::wstring listThere = target + L"\\" + c.below;
        const std::wstring valuesThere = c.eachSubkey ? listThere + L"\\Sub" : listThere;
        ASSERT_TRUE(fixture.SetText(valuesThere, L"machine", L"a value the user's item never names", c.targetRoot));
        ASSERT_TRUE(fixture.MakeLink(fixture.Key(L"Via"), target, c.targetRoot));
        const ItemDefinition item{
            .targets = {RegistryTarget{.key = fixture.Key(L"Via\\" + c.below), .eachSubkey = c.eachSubkey}}};

        Unpaced pace;
        const ItemPlan preview = PlanItem(services, item, Foresight::kDecideEach, pace);
        ItemPlan clean = PlanItem(services, item, Foresight::kListOnly, pace);
        CarryItem(services, clean, pace);

        for (const ItemPlan* plan : {&preview, static_cast<const ItemPlan*>(&clean)}) {
            ASSERT_TRUE(plan->problem);
            EXPECT_EQ(plan->problem->description, L"the key is a link");
            EXPECT_TRUE(plan->targets.empty());
        }
        RegistryKey there;
        ASSERT_EQ(registry->OpenKey(c.targetRoot, valuesThere, KeyAccess::kQuery, there), reg_status::kSuccess);
        EXPECT_EQ(QueryValueText(*registry, there, L"machine"), L"a value the user's item never names");
    }
}

// The user's hive links in the user's own classes hive as Software\Classes: a key there is the user's.
TEST(HostileRegistry, AKeyOfTheUsersClassesIsCleanedThroughItsHivesOwnLink)
{
    std::unique_ptr<RegistryApi> registry = MakeRegistry();
    const std::wstring key = L"Software\\Classes\\Nivaro Tests Classes";
    (void)DeleteKeyTree(*registry, kCurrentUser, key);
    {
        RegistryKey created;
        ASSERT_EQ(registry->CreateKey(kCurrentUser, key, created), reg_status::kSuccess);
        const std::byte data[2]{};
        ASSERT_EQ(registry->SetValue(created, L"recent", reg_type::kString, data), reg_status::kSuccess);
    }
    HeadlessItemSite site;
    NvReg item(site, *registry);
    ASSERT_TRUE(item.ReadProperties({{L"RegKey", key}}));
    Unpaced pace;
    ItemPlan clean = item.Plan(Foresight::kListOnly, pace);
    item.Carry(clean, pace);

    EXPECT_FALSE(clean.problem) << clean.problem->description;
    ASSERT_EQ(clean.targets.size(), 1u);
    EXPECT_TRUE(clean.targets[0].removed);
    EXPECT_EQ(DeleteKeyTree(*registry, kCurrentUser, key), reg_status::kSuccess);
}

// Names that would forge a report line, steer a terminal or read alike once converted: the text
// report shows each escaped and the JSON report keeps each exactly.
TEST(HostileRegistry, AReportNamesEachValueExactlyAndSteersNothing)
{
    struct Name {
        std::wstring name;
        std::wstring text;  // as the text report shows it
        std::string json;   // as the JSON report writes it
    };
    const Name names[] = {
        {L"esc\x1B[2Jclear", L"\"esc\\x1B[2Jclear\"", R"("esc\u001B[2Jclear")"},
        {L"line\n  removed  \"forged\"", L"\"line\\x0A  removed  \"forged\"\"", R"("line\n  removed  \"forged\"")"},
        {Units({u'h', 0xD800}), L"\"h\\uD800\"", R"("h\uD800")"},
        {Units({u'h', 0xDBFF}), L"\"h\\uDBFF\"", R"("h\uDBFF")"},
        {Units({u'h', 0xFFFD}), L"\"h\uFFFD\"", "\"h\xEF\xBF\xBD\""},
    };
    std::unique_ptr<RegistryApi> registry = MakeRegistry();
    std::unique_ptr<FileSystem> files = MakeFileSystem();
    std::unique_ptr<Shell> shell = MakeShell();
    std::unique_ptr<Environment> environment = MakeEnvironment();
    const PlatformServices services{*registry, *files, *shell, *environment};
    RegistryFixture fixture(*registry);
    const std::wstring list = fixture.Key(L"Names");
    for (const Name& n : names) {
        ASSERT_TRUE(fixture.SetText(list, n.name, L"x"));
    }
    FolderFixture disk;
    const std::wstring itemsFile = FolderFixture::Join(disk.Root(), L"items.ini");
    ASSERT_TRUE(disk.WriteFile(itemsFile, "[Names]\nRegKey1=HKCU\\" + ToUtf8(list) + "\n"));

    for (const bool json : {false, true}) {
        SCOPED_TRACE(json ? "JSON" : "text");
        std::wstring out;
        std::wstring err;
        std::vector<std::wstring> args = {L"preview", L"user-names", L"--items", itemsFile};
        if (json) {
            args.emplace_back(L"--json");
        }
        const int code = cli::RunCli(args, services,
                                     {[&](std::wstring_view text) { return out += text, true; },
                                      [&](std::wstring_view text) { return err += text, true; }});
        EXPECT_EQ(code, cli::exit_code::kAllRemoved) << ToUtf8(err);
        const std::string bytes = ToUtf8(out);
        for (const Name& n : names) {
            if (json) {
                EXPECT_NE(bytes.find(R"("name": )" + n.json), std::string::npos) << n.json << " in " << bytes;
            } else {
                EXPECT_NE(out.find(L"  remove  " + n.text + L"\n"), std::wstring::npos) << ToUtf8(n.text) << " in " << bytes;
            }
        }
        EXPECT_EQ(bytes.find('\x1B'), std::string::npos) << "no escape sequence reaches the terminal";
        if (!json) {
            // A key named without a value goes whole: it is a target of its own after its values.
            EXPECT_EQ(std::ranges::count(out, L'\n'), 3 + 5 + 1)
                << "one line for the item, one for each name and the key, its counts and the total:\n" << bytes;
        }
    }
}

}  // namespace
}  // namespace nivaro
