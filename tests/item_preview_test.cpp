#include "main/item_preview.h"

#include <gtest/gtest.h>

namespace nivaro {
namespace {

ItemPlan PlanOf(std::initializer_list<std::pair<const wchar_t*, bool>> targets)
{
    ItemPlan plan;
    for (const auto& [name, remove] : targets) {
        PlannedTarget& target = plan.targets.emplace_back();
        target.entry.name = name;
        target.remove = remove;
    }
    return plan;
}

TEST(PreviewTip, CountsWhatWouldGoAndNamesTheFirstFew)
{
    struct Case {
        ItemPlan plan;
        std::wstring tip;
    };
    Case cases[] = {
        {PlanOf({}), L"Nothing to remove"},
        {PlanOf({{L"sub", false}}), L"Nothing to remove; 1 to leave"},
        {PlanOf({{L"url1", true}, {L"url2", true}}), L"2 to remove: url1, url2"},
        {PlanOf({{L"a", true}, {L"sub", false}, {L"b", true}}), L"2 to remove: a, b\n1 to leave"},
        {PlanOf({{L"1", true}, {L"2", true}, {L"3", true}, {L"4", true}, {L"5", true}, {L"6", true}, {L"7", true}}),
         L"7 to remove: 1, 2, 3, 4, 5 and 2 more"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PreviewTip(c.plan), c.tip);
    }

    ItemPlan missing;
    missing.problem = Error{3, L"Cannot find folder!"};
    EXPECT_EQ(PreviewTip(missing), L"Cannot find folder!");
}

// A value is named with the keys that lead to it from the item's key, so that two values of the
// same name in different keys read apart; a folder's entry by its path.
TEST(PreviewLines, NameEachValueWithItsKeyBelowTheItemsKey)
{
    const auto part = [](ItemTarget what) {
        PlanPart made;
        made.what = std::move(what);
        return made;
    };
    const auto target = [](std::size_t of, std::wstring subkey, std::wstring name, bool remove) {
        PlannedTarget made;
        made.part = of;
        made.subkey = std::move(subkey);
        made.entry.name = std::move(name);
        made.remove = remove;
        made.reason = remove ? LeaveReason::kNone : LeaveReason::kLink;
        return made;
    };
    const auto key = [&](std::size_t of, std::wstring subkey, std::wstring name) {
        PlannedTarget made = target(of, std::move(subkey), std::move(name), true);
        made.container = true;
        return made;
    };
    struct Case {
        const char* what;
        std::vector<ItemTarget> parts;
        std::vector<PlannedTarget> targets;
        std::vector<std::wstring> lines;
    };
    const RegistryTarget a{.key = L"Software\\App\\A", .value = L"failed_count"};
    const RegistryTarget b{.key = L"Software\\app\\B", .value = L"failed_count"};
    const RegistryTarget each{.key = L"Software\\App\\Lists", .eachSubkey = true};
    const RegistryTarget machine{.root = kLocalMachine, .key = L"Software\\App\\A"};
    const RegistryTarget whole{.key = L"Software\\App", .wholeKey = true};
    const Case cases[] = {
        {"one key: its values alone", {a}, {target(0, L"", L"failed_count", true)}, {L"remove  failed_count"}},
        {"two keys: each value with its key, the keys compared as Windows compares names",
         {a, b},
         {target(0, L"", L"failed_count", true), target(1, L"", L"failed_count", true)},
         {L"remove  A\\failed_count", L"remove  B\\failed_count"}},
        {"the subkeys of one key, and a linked subkey left as itself",
         {each},
         {target(0, L"txt", L"0", true), target(0, L"lnk", L"", false)},
         {L"remove  txt\\0", L"leave   lnk  [link]"}},
        {"a key removed whole: each key by its path below it, itself by its name",
         {whole},
         {target(0, L"", L"v", true), target(0, L"sub", L"w", true), key(0, L"sub", L"sub"), key(0, L"", L"App")},
         {L"remove  v", L"remove  sub\\w", L"remove  sub", L"remove  App"}},
        {"keys in two roots: each from its root",
         {a, machine},
         {target(0, L"", L"failed_count", true), target(1, L"", L"x", true)},
         {L"remove  HKCU\\Software\\App\\A\\failed_count", L"remove  HKLM\\Software\\App\\A\\x"}},
    };
    for (const Case& c : cases) {
        ItemPlan plan;
        for (const ItemTarget& what : c.parts) {
            plan.parts.push_back(part(what));
        }
        plan.targets = c.targets;
        EXPECT_EQ(PreviewLines(plan), c.lines) << c.what;
    }

    ItemPlan folder;
    folder.parts.push_back(part(FolderTarget{.path = L"C:\\Logs"}));
    PlannedTarget file = target(0, L"", L"a.log", true);
    file.entry.path = L"C:\\Logs\\a.log";
    folder.targets.push_back(file);
    EXPECT_EQ(PreviewLines(folder), std::vector<std::wstring>{L"remove  C:\\Logs\\a.log"});
}

}  // namespace
}  // namespace nivaro
