// What the window of the other items asks before a clean: the main window's question, and the
// warnings of the items it is about to clean, each with its item.

#include "main/items_window_texts.h"

#include <gtest/gtest.h>

namespace nivaro {
namespace {

TEST(ItemsWindowTexts, TheCleanQuestionNamesEachWarnedItemAndItsWarning)
{
    const ItemDefinition quiet{.title = L"Quiet"};
    const ItemDefinition sessions{.title = L"Foo Browser Sessions", .warning = L"Closes every open tab."};
    const ItemDefinition settings{.title = L"Bar Settings", .warning = L"Bar forgets its layout."};
    struct Case {
        std::vector<const ItemDefinition*> items;
        std::wstring question;
    };
    const Case cases[] = {
        {{&quiet}, L"This action is permanent! Are you sure to clean?"},
        {{&quiet, &sessions, &settings},
         L"This action is permanent! Are you sure to clean?\n\nTheir authors warn:\n"
         L"Foo Browser Sessions: Closes every open tab.\nBar Settings: Bar forgets its layout."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CleanQuestion(c.items), c.question);
    }
}

}  // namespace
}  // namespace nivaro
