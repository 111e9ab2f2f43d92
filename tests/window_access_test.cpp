// What a screen reader and the keyboard are told of the main window, and the colours it draws
// with: the logic behind what Wine's accessibility layer and its missing high-contrast setting
// cannot show.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "items/item_design.h"
#include "main/window_access.h"
#include "main/window_colours.h"

namespace nivaro {
namespace {

TEST(WindowAccess, EachCheckBoxIsNamedForTheItemItChooses)
{
    const std::map<int, std::wstring> expected = {
        {0, L"Clean IE URL History"},   {1, L"Clean History Folder"}, {2, L"Clean Cookies"},
        {3, L"Clean Document History"}, {4, L"Clean Paint History"},  {5, L"Clean Search History"},
    };
    std::map<int, std::wstring> named;
    for (const ControlLayout& control : kItemLayout) {
        if (control.kind == ControlKind::kCheckBox) {
            EXPECT_EQ(ShownText(control.caption), L"Clean") << "the window still shows the same text";
            named[control.index] = AccessibleName(control);
        }
    }
    EXPECT_EQ(named, expected);
}

TEST(WindowAccess, ButtonsShowTheirCaptionsAndEachHasAnAccessKeyOfItsOwn)
{
    struct Case {
        int controlId;
        std::wstring shown;
        wchar_t key;
    };
    const Case cases[] = {
        {control_id::kClean, L"Clean", L'c'},
        {control_id::kCleanAll, L"Clean All", L'a'},
        {control_id::kMore, L"More...", L'm'},
    };
    std::set<wchar_t> keys;
    for (const Case& c : cases) {
        const auto button = std::ranges::find(kItemLayout, c.controlId, &ControlLayout::controlId);
        ASSERT_NE(button, kItemLayout.end());
        EXPECT_EQ(ShownText(button->caption), c.shown);
        EXPECT_EQ(AccessibleName(*button), c.shown);
        EXPECT_EQ(AccessKey(button->caption), c.key);
        keys.insert(c.key);
    }
    EXPECT_EQ(keys.size(), std::size(cases)) << "no two buttons share a key";
    for (const ControlLayout& control : kItemLayout) {
        if (control.kind == ControlKind::kCheckBox) {
            EXPECT_FALSE(AccessKey(control.caption)) << "six boxes cannot share one key";
        }
    }
}

TEST(WindowAccess, TheMarkOfAnAccessKeyIsNotShown)
{
    struct Case {
        std::wstring_view caption;
        std::wstring shown;
        std::optional<wchar_t> key;
    };
    const Case cases[] = {
        {L"Clean", L"Clean", std::nullopt},
        {L"Clean &All", L"Clean All", L'a'},
        {L"Salt && &Pepper", L"Salt & Pepper", L'p'},
        {L"&&", L"&", std::nullopt},
        {L"End&", L"End&", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(c.caption)));
        EXPECT_EQ(ShownText(c.caption), c.shown);
        EXPECT_EQ(AccessKey(c.caption), c.key);
    }
}

TEST(WindowAccess, AStatusChangeSaysWhichItemItIsAbout)
{
    EXPECT_EQ(StatusAnnouncement(L"Cookies", L"3 Items clean..."), L"Cookies: 3 Items clean...");
}

TEST(WindowColours, AsDesignedWithoutHighContrastAndTheUsersOwnWithIt)
{
    const SystemColours system{.window = 0x00000000, .windowText = 0x0000FFFF, .highlight = 0x00FF00FF};

    const WindowColours designed = ChooseColours(false, system);
    EXPECT_EQ(designed.background, form_design::kBackground);
    EXPECT_EQ(designed.itemBackground, kItemBackground);
    EXPECT_EQ(designed.band, kBandColour);
    EXPECT_TRUE(designed.separatorPicture);
    EXPECT_FALSE(designed.textOnOwnBackground);

    const WindowColours contrast = ChooseColours(true, system);
    EXPECT_EQ(contrast.background, system.window);
    EXPECT_EQ(contrast.itemBackground, system.window);
    EXPECT_EQ(contrast.text, system.windowText);
    EXPECT_EQ(contrast.band, system.highlight);
    EXPECT_FALSE(contrast.separatorPicture) << "no fixed gradient";
    EXPECT_TRUE(contrast.textOnOwnBackground) << "no text over the band's fill";
}

}  // namespace
}  // namespace nivaro
