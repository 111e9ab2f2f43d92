// Registry lists that a hostile or careless program left behind: a value whose name holds a NUL,
// a list key that is a link to another key, a key that refuses value deletes. Each case runs a
// preview and then a clean of the list key, and checks that they agree, what they say of each
// value, and that nothing but the removed values changed in the list key or its neighbours.

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "main/headless_item_site.h"
#include "items/nv_reg.h"
#include "platform/backend.h"
#include "platform/run_pace.h"
#include "registry/mod_reg.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/registry_values.h"
#include "tests/support/target_outcome.h"

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

}  // namespace
}  // namespace nivaro
