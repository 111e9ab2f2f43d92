// A key removed with everything below it, and the registry exclusions, on this build's backend:
// the substitute natively, the system's registry under Wine. Each case previews and cleans one item
// over a scratch key, checks that the preview foretold the clean, and that nothing but what the
// clean said it removed changed, in the key or in its neighbours.

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "items/item_engine.h"
#include "platform/backend.h"
#include "platform/run_pace.h"
#include "platform/utf16.h"
#include "registry/mod_reg.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/registry_values.h"
#include "tests/support/target_outcome.h"

namespace nivaro {
namespace {

// Every key below a key and every value, the key's own included: keys as their paths below it,
// values as "path|name". A link is shown as a key and never entered.
using Tree = std::map<std::wstring, std::optional<StoredValue>>;

void AddTree(RegistryApi& registry, const RegistryKey& key, const std::wstring& below, Tree& tree)
{
    tree[below.empty() ? L"." : below] = std::nullopt;
    for (const std::wstring& name : ValueNamesWithDefault(registry, key)) {
        if (std::optional<StoredValue> value = ReadStoredValue(registry, key, name)) {
            tree[below + L"|" + name] = std::move(value);
        }
    }
    if (IsLinkKey(registry, key)) {
        return;
    }
    for (const std::wstring& name : EnumerateSubkeyNames(registry, key)) {
        RegistryKey sub;
        if (registry.OpenSubkey(key, name, KeyAccess::kQuery, KeyLinks::kOpenLinkItself, sub) == reg_status::kSuccess) {
            AddTree(registry, sub, below.empty() ? name : below + L"\\" + name, tree);
        }
    }
}

std::optional<Tree> TreeOf(RegistryApi& registry, const std::wstring& path)
{
    RegistryKey key;
    if (registry.OpenKey(kCurrentUser, path, KeyAccess::kQuery, KeyLinks::kOpenLinkItself, key) != reg_status::kSuccess) {
        return std::nullopt;
    }
    Tree tree;
    AddTree(registry, key, {}, tree);
    return tree;
}

std::map<std::wstring, Outcome> Outcomes(const ItemPlan& plan, bool done)
{
    std::map<std::wstring, Outcome> outcomes;
    for (const PlannedTarget& target : plan.targets) {
        const bool removed = done ? target.removed : target.remove;
        outcomes[target.container ? target.Label() : target.subkey + L"|" + target.entry.name] = {
            removed, removed ? LeaveReason::kNone : target.reason};
    }
    return outcomes;
}

struct KeyCase {
    const char* what;
    // Fills the item's key ("List", with its own name in the outcomes) and may make links to the
    // neighbour, which holds values of its own; gives the item.
    std::function<ItemDefinition(RegistryFixture&, const std::wstring& key, const std::wstring& neighbour)> arrange;
    std::map<std::wstring, Outcome> outcomes;  // keys by their path below the item's key, values as "key|name"
    std::optional<Tree> left;                 // the item's key afterwards, or nothing when it is gone
};

RegistryTarget WholeKey(const std::wstring& key)
{
    return {.key = key, .wholeKey = true};
}

Exclusion KeptKey(const std::wstring& key, std::optional<std::wstring> value = std::nullopt)
{
    return {.kind = Exclusion::Kind::kRegistry, .path = key, .value = std::move(value)};
}

TEST(RegistryWalk, AWholeKeyGoesWithEverythingBelowItAndNothingElse)
{
    const StoredValue kept{reg_type::kString, EncodeUtf16(std::wstring(L"kept") + L'\0')};
    const KeyCase cases[] = {
        {"values, subkeys at every depth and the default value go, then the key itself",
         [](RegistryFixture& f, const std::wstring& key, const std::wstring&) {
             EXPECT_TRUE(f.SetText(key, L"", L"default"));
             EXPECT_TRUE(f.SetText(key, L"a", L"1"));
             EXPECT_TRUE(f.SetText(key + L"\\Sub", L"b", L"2"));
             EXPECT_TRUE(f.SetText(key + L"\\Sub\\Deeper", L"", L"default below"));
             EXPECT_TRUE(f.SetText(key + L"\\Empty\\Inner", L"c", L"3"));
             return ItemDefinition{.targets = {WholeKey(key)}};
         },
         {{L"|a", kRemoved},
          {L"Sub|b", kRemoved},
          {L"Sub\\Deeper", kRemoved},
          {L"Sub", kRemoved},
          {L"Empty\\Inner|c", kRemoved},
          {L"Empty\\Inner", kRemoved},
          {L"Empty", kRemoved},
          {L"List", kRemoved}},
         std::nullopt},
        {"a subkey that is a link goes as the link; the key it leads to stays whole",
         [](RegistryFixture& f, const std::wstring& key, const std::wstring& neighbour) {
             EXPECT_TRUE(f.SetText(key, L"a", L"1"));
             EXPECT_TRUE(f.SetText(key + L"\\Real", L"b", L"2"));
             EXPECT_TRUE(f.MakeLink(key + L"\\Linked", neighbour));
             return ItemDefinition{.targets = {WholeKey(key)}};
         },
         {{L"|a", kRemoved}, {L"Real|b", kRemoved}, {L"Real", kRemoved}, {L"Linked", kRemoved}, {L"List", kRemoved}},
         std::nullopt},
        {"an excluded value stays, and so does every key above it; the rest goes",
         [](RegistryFixture& f, const std::wstring& key, const std::wstring&) {
             EXPECT_TRUE(f.SetText(key, L"a", L"1"));
             EXPECT_TRUE(f.SetText(key + L"\\Sub", L"b", L"2"));
             EXPECT_TRUE(f.SetText(key + L"\\Sub\\Deeper", L"Filters", L"kept"));
             EXPECT_TRUE(f.SetText(key + L"\\Sub\\Deeper", L"other", L"3"));
             EXPECT_TRUE(f.SetText(key + L"\\Gone", L"c", L"4"));
             return ItemDefinition{.targets = {WholeKey(key)},
                                   .exclude = {KeptKey(key + L"\\sub\\DEEPER", L"filters")}};
         },
         {{L"|a", kRemoved},
          {L"Sub|b", kRemoved},
          {L"Sub\\Deeper|Filters", Stays(LeaveReason::kExcluded)},
          {L"Sub\\Deeper|other", kRemoved},
          {L"Sub\\Deeper", Stays(LeaveReason::kNotEmpty)},
          {L"Sub", Stays(LeaveReason::kNotEmpty)},
          {L"Gone|c", kRemoved},
          {L"Gone", kRemoved},
          {L"List", Stays(LeaveReason::kNotEmpty)}},
         Tree{{L".", std::nullopt}, {L"Sub", std::nullopt}, {L"Sub\\Deeper", std::nullopt}, {L"Sub\\Deeper|Filters", kept}}},
        {"an excluded key stays with everything below it",
         [](RegistryFixture& f, const std::wstring& key, const std::wstring&) {
             EXPECT_TRUE(f.SetText(key, L"a", L"1"));
             EXPECT_TRUE(f.SetText(key + L"\\Keep\\Inner", L"kept", L"kept"));
             return ItemDefinition{.targets = {WholeKey(key)}, .exclude = {KeptKey(key + L"\\Keep")}};
         },
         {{L"|a", kRemoved}, {L"Keep", Stays(LeaveReason::kExcluded)}, {L"List", Stays(LeaveReason::kNotEmpty)}},
         Tree{{L".", std::nullopt}, {L"Keep", std::nullopt}, {L"Keep\\Inner", std::nullopt}, {L"Keep\\Inner|kept", kept}}},
        {"an exclusion keeps its value of a key whose values are cleaned",
         [](RegistryFixture& f, const std::wstring& key, const std::wstring&) {
             EXPECT_TRUE(f.SetText(key, L"a", L"1"));
             EXPECT_TRUE(f.SetText(key, L"kept", L"kept"));
             return ItemDefinition{.targets = {RegistryTarget{.key = key}}, .exclude = {KeptKey(key, L"KEPT")}};
         },
         {{L"|a", kRemoved}, {L"|kept", Stays(LeaveReason::kExcluded)}},
         Tree{{L".", std::nullopt}, {L"|kept", kept}}},
    };
    BackendServices backend;
    const PlatformServices services = backend.Services();
    RegistryApi* registry = &services.registry;
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.what);
        RegistryFixture fixture(*registry);
        const std::wstring key = fixture.Key(L"List");
        const std::wstring neighbour = fixture.Key(L"Neighbour");
        ASSERT_TRUE(fixture.SetText(neighbour, L"kept", L"a neighbour's value"));
        ASSERT_TRUE(fixture.SetText(neighbour + L"\\Below", L"kept", L"below a neighbour"));
        const ItemDefinition item = c.arrange(fixture, key, neighbour);
        const std::optional<Tree> neighbourBefore = TreeOf(*registry, neighbour);
        const std::optional<Tree> before = TreeOf(*registry, key);
        Unpaced pace;

        const ItemPlan preview = PlanItem(services, item, Foresight::kDecideEach, pace);
        EXPECT_FALSE(preview.problem) << preview.problem->description;
        EXPECT_EQ(Outcomes(preview, false), c.outcomes) << "the preview";
        EXPECT_EQ(TreeOf(*registry, key), before) << "a preview changes nothing";

        ItemPlan clean = PlanItem(services, item, Foresight::kListOnly, pace);
        CarryItem(services, clean, pace);
        EXPECT_EQ(Outcomes(clean, true), c.outcomes) << "the clean does what its preview said";
        EXPECT_EQ(TreeOf(*registry, key), c.left);
        EXPECT_EQ(TreeOf(*registry, neighbour), neighbourBefore) << "what a link led to is untouched";
    }
}

// A key that is a link among an item's keys is left, named by its path, while the item's other
// keys are cleaned; an item whose only key is a link cannot run.
TEST(RegistryWalk, AKeyThatIsALinkIsLeftWhileTheItemsOtherKeysAreCleaned)
{
    BackendServices backend;
    const PlatformServices services = backend.Services();
    RegistryFixture fixture(services.registry);
    const std::wstring key = fixture.Key(L"List");
    const std::wstring neighbour = fixture.Key(L"Neighbour");
    const std::wstring linked = fixture.Key(L"Linked");
    ASSERT_TRUE(fixture.SetText(key, L"a", L"1"));
    ASSERT_TRUE(fixture.SetText(neighbour, L"kept", L"a neighbour's value"));
    ASSERT_TRUE(fixture.MakeLink(linked, neighbour));
    const std::optional<Tree> neighbourBefore = TreeOf(services.registry, neighbour);
    const ItemDefinition item{.targets = {RegistryTarget{.key = linked}, RegistryTarget{.key = key}}};
    Unpaced pace;

    for (Foresight foresight : {Foresight::kDecideEach, Foresight::kListOnly}) {
        const bool cleaning = foresight == Foresight::kListOnly;
        SCOPED_TRACE(cleaning ? "clean" : "preview");
        ItemPlan plan = PlanItem(services, item, foresight, pace);
        if (cleaning) {
            CarryItem(services, plan, pace);
        }
        EXPECT_FALSE(plan.problem) << plan.problem->description;
        const std::map<std::wstring, Outcome> expected = {{plan.parts[0].target, Stays(LeaveReason::kLink)},
                                                          {L"|a", kRemoved}};
        EXPECT_EQ(Outcomes(plan, cleaning), expected);
    }
    EXPECT_EQ(TreeOf(services.registry, key), (Tree{{L".", std::nullopt}}));
    EXPECT_EQ(TreeOf(services.registry, neighbour), neighbourBefore) << "what the link leads to is untouched";

    const ItemPlan alone = PlanItem(services, ItemDefinition{.targets = {RegistryTarget{.key = linked}}}, Foresight::kDecideEach, pace);
    EXPECT_FALSE(alone.AnyPartRan());
    ASSERT_TRUE(alone.problem);
    EXPECT_NE(alone.problem->description.find(L"link"), std::wstring::npos) << ::testing::PrintToString(alone.problem->description);
}

TEST(RegistryWalk, AWholeKeyOutsideTheUsersOwnHiveIsNeverDeleted)
{
    BackendServices backend;
    const PlatformServices services = backend.Services();
    for (RegistryRoot root : {kLocalMachine, kClassesRoot, kUsers}) {
        SCOPED_TRACE(root);
        const ItemDefinition item{.targets = {RegistryTarget{.root = root, .key = L"Software\\Nivaro Tests", .wholeKey = true}}};
        Unpaced pace;
        ItemPlan plan = PlanItem(services, item, Foresight::kListOnly, pace);
        ASSERT_TRUE(plan.problem);
        EXPECT_EQ(plan.problem->number, error_number::kPermissionDenied);
        EXPECT_TRUE(plan.targets.empty());
        EXPECT_FALSE(plan.AnyPartRan());
    }
}

}  // namespace
}  // namespace nivaro
