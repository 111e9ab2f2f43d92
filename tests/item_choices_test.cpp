// The other items' checked state as the user left it: read without writing, written as one DWORD
// per item under the program's own key, and nothing taken from values the program did not write.

#include "main/item_choices.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "items/builtin_items.h"
#include "platform/substitute/substitute_registry.h"
#include "registry/mod_reg.h"
#include "tests/support/registry_values.h"

namespace nivaro {
namespace {

const ItemDefinition& Builtin(std::string_view id)
{
    return *std::ranges::find(BuiltinItems(), id, &ItemDefinition::id);
}

bool KeyExists(RegistryApi& registry, std::wstring_view path)
{
    RegistryKey key;
    return registry.OpenKey(kCurrentUser, path, KeyAccess::kQuery, key) == reg_status::kSuccess;
}

struct RawValue {
    std::uint32_t type = reg_type::kNone;
    std::vector<std::byte> data;
    friend bool operator==(const RawValue&, const RawValue&) = default;
};

std::optional<RawValue> ReadRaw(RegistryApi& registry, std::wstring_view name)
{
    RegistryKey key;
    if (registry.OpenKey(kCurrentUser, kItemChoicesKey, KeyAccess::kQuery, key) != reg_status::kSuccess) {
        return std::nullopt;
    }
    RawValue value;
    std::uint32_t size = 0;
    if (registry.QueryValue(key, name, value.type, {}, size) != reg_status::kSuccess) {
        return std::nullopt;
    }
    value.data.resize(size);
    registry.QueryValue(key, name, value.type, value.data, size);
    return value;
}

std::vector<std::byte> Bytes(std::initializer_list<unsigned> bytes)
{
    std::vector<std::byte> out;
    for (const unsigned b : bytes) {
        out.push_back(std::byte(b));
    }
    return out;
}

void Store(RegistryApi& registry, std::wstring_view name, std::uint32_t type, const std::vector<std::byte>& data)
{
    RegistryKey key;
    ASSERT_EQ(registry.CreateKey(kCurrentUser, kItemChoicesKey, key), reg_status::kSuccess);
    ASSERT_EQ(registry.SetValue(key, name, type, data), reg_status::kSuccess);
}

TEST(ItemChoices, AnItemNeverChangedFollowsItsDefinitionAndReadingWritesNothing)
{
    SubstituteRegistry registry;
    const ItemChoices choices(registry);
    for (const ItemDefinition& item : BuiltinItems()) {
        EXPECT_EQ(choices.IsChecked(item), item.onByDefault) << item.id;
    }
    EXPECT_FALSE(choices.IsChecked(Builtin("jump-lists")));
    EXPECT_FALSE(choices.IsChecked(Builtin("temp-files")));
    EXPECT_TRUE(choices.IsChecked(Builtin("run-box")));
    EXPECT_FALSE(KeyExists(registry, L"Software\\Nivaro")) << "nothing is created until the user changes something";
    EXPECT_EQ(registry.OpenHandles(), 0u);
}

TEST(ItemChoices, EachChangeIsOneDwordUnderTheProgramsKeyAndOutlivesTheChoicesObject)
{
    SubstituteRegistry registry;
    {
        ItemChoices choices(registry);
        ASSERT_TRUE(choices.SetChecked(Builtin("run-box"), false));
        ASSERT_TRUE(choices.SetChecked(Builtin("jump-lists"), true));
    }
    const ItemChoices later(registry);
    EXPECT_FALSE(later.IsChecked(Builtin("run-box")));
    EXPECT_TRUE(later.IsChecked(Builtin("jump-lists")));
    EXPECT_TRUE(later.IsChecked(Builtin("address-bar"))) << "an item left alone keeps its default";
    EXPECT_FALSE(later.IsChecked(Builtin("temp-files")));

    EXPECT_EQ(ReadRaw(registry, L"run-box"), (RawValue{reg_type::kDword, Bytes({0, 0, 0, 0})}));
    EXPECT_EQ(ReadRaw(registry, L"jump-lists"), (RawValue{reg_type::kDword, Bytes({1, 0, 0, 0})}));
    auto names = ListValueNames(registry, kCurrentUser, kItemChoicesKey);
    ASSERT_TRUE(names);
    std::ranges::sort(*names);
    EXPECT_EQ(*names, (std::vector<std::wstring>{L"jump-lists", L"run-box"}));
    // The key and its parent are all that was made.
    RegistryKey nivaro;
    ASSERT_EQ(registry.OpenKey(kCurrentUser, L"Software\\Nivaro", KeyAccess::kQuery, nivaro), reg_status::kSuccess);
    EXPECT_EQ(EnumerateSubkeyNames(registry, nivaro), std::vector<std::wstring>{L"Items"});
    EXPECT_EQ(EnumerateValueNames(registry, nivaro), std::vector<std::wstring>{});
    RegistryKey items;
    ASSERT_EQ(registry.OpenKey(kCurrentUser, kItemChoicesKey, KeyAccess::kQuery, items), reg_status::kSuccess);
    KeyInfo info;
    ASSERT_EQ(registry.QueryInfoKey(items, info), reg_status::kSuccess);
    EXPECT_EQ(info.valueCount, 2u) << "no default value either";
    EXPECT_EQ(info.subkeyCount, 0u);
}

TEST(ItemChoices, AChoiceBackToTheDefaultIsStillTheUsersAndOutlastsAChangedDefault)
{
    SubstituteRegistry registry;
    ItemChoices choices(registry);
    ItemDefinition item = Builtin("address-bar");
    ASSERT_TRUE(choices.SetChecked(item, false));
    EXPECT_FALSE(choices.IsChecked(item));
    ASSERT_TRUE(choices.SetChecked(item, true));
    EXPECT_EQ(ReadRaw(registry, L"address-bar"), (RawValue{reg_type::kDword, Bytes({1, 0, 0, 0})}));
    item.onByDefault = false;
    EXPECT_TRUE(choices.IsChecked(item));
}

TEST(ItemChoices, OnlyAFourByteDwordCountsAsAChoice)
{
    struct Case {
        const char* what;
        std::uint32_t type;
        std::vector<std::byte> data;
        bool checked;  // for an item clear by default
    };
    const Case cases[] = {
        {"zero", reg_type::kDword, Bytes({0, 0, 0, 0}), false},
        {"one", reg_type::kDword, Bytes({1, 0, 0, 0}), true},
        {"any other number is checked too", reg_type::kDword, Bytes({0, 0, 0, 0x80}), true},
        {"text", reg_type::kString, Bytes({'1', 0, 0, 0}), false},
        {"binary", reg_type::kBinary, Bytes({1, 0, 0, 0}), false},
        {"a short dword", reg_type::kDword, Bytes({1, 0}), false},
        {"a qword", reg_type::kQword, Bytes({1, 0, 0, 0, 0, 0, 0, 0}), false},
        {"a dword too long", reg_type::kDword, Bytes({1, 0, 0, 0, 0}), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SubstituteRegistry registry;
        Store(registry, L"jump-lists", c.type, c.data);
        EXPECT_EQ(ItemChoices(registry).IsChecked(Builtin("jump-lists")), c.checked);
        const ItemDefinition items[] = {Builtin("run-box"), Builtin("jump-lists")};
        EXPECT_EQ(ItemChoices(registry).AreChecked(items), (std::vector<bool>{true, c.checked})) << "read in one go";
    }
}

TEST(ItemChoices, ManyAreReadInOneGoAsEachIsReadAlone)
{
    SubstituteRegistry registry;
    Store(registry, L"run-box", reg_type::kDword, Bytes({0, 0, 0, 0}));
    Store(registry, L"Temp-Files", reg_type::kDword, Bytes({1, 0, 0, 0}));  // a value name in any case
    Store(registry, L"user-unknown", reg_type::kDword, Bytes({1, 0, 0, 0}));
    const ItemChoices choices(registry);
    std::vector<bool> alone;
    for (const ItemDefinition& item : BuiltinItems()) {
        alone.push_back(choices.IsChecked(item));
    }
    EXPECT_EQ(choices.AreChecked(BuiltinItems()), alone);
    EXPECT_TRUE(choices.IsChecked(Builtin("temp-files")));
    EXPECT_FALSE(choices.IsChecked(Builtin("run-box")));
    EXPECT_EQ(registry.OpenHandles(), 0u);
}

TEST(ItemChoices, ARefusedWriteIsReportedAndChangesNothing)
{
    SubstituteRegistry registry;
    Store(registry, L"run-box", reg_type::kDword, Bytes({0, 0, 0, 0}));
    ASSERT_EQ(registry.DenyValueChanges(kCurrentUser, kItemChoicesKey), reg_status::kSuccess);
    ItemChoices choices(registry);
    EXPECT_FALSE(choices.SetChecked(Builtin("run-box"), true));
    EXPECT_FALSE(choices.SetChecked(Builtin("temp-files"), true));
    EXPECT_FALSE(choices.IsChecked(Builtin("run-box")));
    EXPECT_FALSE(choices.IsChecked(Builtin("temp-files")));
    EXPECT_EQ(registry.OpenHandles(), 0u);
}

}  // namespace
}  // namespace nivaro
