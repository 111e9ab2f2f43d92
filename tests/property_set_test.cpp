#include "items/property_set.h"

#include <gtest/gtest.h>

namespace nivaro {
namespace {

TEST(PropertySet, ReadsStoredValuesByNameWithoutRegardToCase)
{
    const PropertySet set{{L"TITLE", std::wstring(L"IE URL History")}, {L"hkey", -2147483647}};

    EXPECT_EQ(set.Entries()[0].name, L"title");  // stored in lower case
    EXPECT_EQ(set.ReadText(L"Title", L"x"), L"IE URL History");
    EXPECT_EQ(set.ReadText(L"title", L"x"), L"IE URL History");
    EXPECT_EQ(set.ReadInt(L"HKey", 0), -2147483647);
    EXPECT_EQ(set.ReadText(L"Folder", L"fallback"), L"fallback");
    EXPECT_EQ(set.ReadInt(L"Missing", 42), 42);
}

TEST(PropertySet, ConvertsBetweenNumbersAndText)
{
    const PropertySet set{{L"hex", std::wstring(L"&H80000001")},
                          {L"decimal", std::wstring(L"-17")},
                          {L"word", std::wstring(L"abc")},
                          {L"huge", std::wstring(L"99999999999")},
                          {L"number", 12}};

    EXPECT_EQ(set.ReadInt(L"hex", 0), static_cast<std::int32_t>(0x80000001u));
    EXPECT_EQ(set.ReadInt(L"decimal", 0), -17);
    EXPECT_EQ(set.ReadText(L"number", L""), L"12");
    for (const wchar_t* bad : {L"word", L"huge"}) {
        auto read = set.ReadInt(bad, 0);
        ASSERT_FALSE(read) << bad;
        EXPECT_EQ(read.error().number, error_number::kTypeMismatch);
        EXPECT_NE(read.error().description.find(bad), std::wstring::npos);
    }
}

TEST(PropertySet, WritesOnlyValuesThatDifferFromTheirDefault)
{
    PropertySet set;
    set.Write(L"Title", std::wstring(), std::wstring());
    set.Write(L"HKey", static_cast<std::int32_t>(0x80000001u), static_cast<std::int32_t>(0x80000001u));
    EXPECT_TRUE(set.Entries().empty());

    set.Write(L"RegKey", std::wstring(L"Software\\A"), std::wstring());
    set.Write(L"REGKEY", std::wstring(L"Software\\B"), std::wstring());
    ASSERT_EQ(set.Entries().size(), 1u);
    EXPECT_EQ(set.Entries()[0], (PropertyEntry{L"regkey", std::wstring(L"Software\\B")}));

    // Writing the default again leaves no stale entry behind.
    set.Write(L"RegKey", std::wstring(), std::wstring());
    EXPECT_TRUE(set.Entries().empty());
}

}  // namespace
}  // namespace nivaro
