#include <gtest/gtest.h>

#include "items/nv_reg.h"
#include "main/form_items.h"
#include "platform/substitute/substitute_registry.h"
#include "platform/substitute/substitute_toolkit.h"

namespace nivaro {
namespace {

struct RegItem {
    SubstituteItemSite site;
    SubstituteRegistry registry;
    NvReg item{site, registry};
};

TEST(ItemFrame, TitleMayBeSetAtAnyTimeAndShowsAtOnce)
{
    RegItem reg;
    ASSERT_TRUE(reg.site.running);

    ASSERT_TRUE(reg.item.SetTitle(L"Paint History"));

    EXPECT_EQ(reg.item.Title(), L"Paint History");
    EXPECT_EQ(reg.site.title, L"Paint History");
    EXPECT_EQ(reg.site.changedProperties, (std::vector<std::wstring>{L"Title"}));
}

TEST(ItemFrame, DesignTimePropertiesAreRefusedWhileRunning)
{
    RegItem reg;
    ASSERT_TRUE(reg.item.ReadProperties({{L"RegKey", std::wstring(L"Software\\Before")}}));

    auto refused = reg.item.SetRegKey(L"Software\\After");
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().number, 382);
    EXPECT_EQ(reg.item.RegKey(), L"Software\\Before");
    EXPECT_TRUE(reg.site.changedProperties.empty());

    reg.site.running = false;  // a layout being designed
    ASSERT_TRUE(reg.item.SetRegKey(L"Software\\After"));
    EXPECT_EQ(reg.item.RegKey(), L"Software\\After");
    EXPECT_EQ(reg.site.changedProperties, (std::vector<std::wstring>{L"RegKey"}));

    reg.site.running = true;
    reg.item.SetHKey(static_cast<RegistryRoot>(0x80000002u));  // the root may change at run time
    EXPECT_EQ(reg.item.HKey(), static_cast<RegistryRoot>(0x80000002u));
}

TEST(ItemFrame, ReadPropertiesFillsEachPropertyWithItsDefault)
{
    struct Case {
        const char* what;
        PropertySet set;
        RegistryRoot hkey;
        std::wstring regKey;
        std::wstring title;
    };
    const Case cases[] = {
        {"an empty set gives the defaults", {}, kCurrentUser, L"", L""},
        {"names in capitals are found",
         {{L"TITLE", std::wstring(L"Search History")}, {L"REGKEY", std::wstring(L"Software\\S")}},
         kCurrentUser,
         L"Software\\S",
         L"Search History"},
        {"a root written in hexadecimal", {{L"hkey", std::wstring(L"&H80000002")}}, static_cast<RegistryRoot>(0x80000002u),
         L"", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RegItem reg;
        ASSERT_TRUE(reg.item.ReadProperties(c.set));
        EXPECT_EQ(reg.item.HKey(), c.hkey);
        EXPECT_EQ(reg.item.RegKey(), c.regKey);
        EXPECT_EQ(reg.item.Title(), c.title);
        EXPECT_EQ(reg.site.title, c.title) << "the title is shown";
        EXPECT_TRUE(reg.site.changedProperties.empty()) << "loading is not a change";
    }

    RegItem reg;
    auto bad = reg.item.ReadProperties({{L"HKey", std::wstring(L"HKCU")}});
    ASSERT_FALSE(bad);
    EXPECT_EQ(bad.error().number, error_number::kTypeMismatch);
}

TEST(ItemFrame, WritePropertiesStoresOnlyWhatDiffersFromTheDefaults)
{
    RegItem reg;
    reg.item.InitProperties();
    PropertySet defaults;
    reg.item.WriteProperties(defaults);
    EXPECT_TRUE(defaults.Entries().empty()) << "an empty title stores no entry";

    ASSERT_TRUE(reg.item.ReadProperties(
        {{L"HKey", static_cast<std::int32_t>(0x80000002u)}, {L"RegKey", std::wstring(L"K")}, {L"Title", std::wstring(L"T")}}));
    PropertySet written;
    reg.item.WriteProperties(written);
    const std::vector<PropertyEntry> expected = {{L"hkey", static_cast<std::int32_t>(0x80000002u)},
                                                 {L"regkey", std::wstring(L"K")},
                                                 {L"title", std::wstring(L"T")}};
    EXPECT_TRUE(std::ranges::equal(written.Entries(), expected));
}

TEST(ItemFrame, AWidgetErrorLeavesTheRegistryItemsRun)
{
    RegItem reg;
    reg.site.failWrites = Error{380, L"Invalid property value"};

    auto started = reg.item.Start();

    ASSERT_FALSE(started);
    EXPECT_EQ(started.error().description, L"Invalid property value");
}

}  // namespace
}  // namespace nivaro
