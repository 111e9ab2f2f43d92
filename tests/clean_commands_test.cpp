#include "main/clean_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "main/item_layout.h"
#include "platform/substitute/substitute_toolkit.h"

namespace nivaro {
namespace {

// An item that notes when it is started, and can fail or run something while it runs.
class RecordingItem final : public CleaningItem {
public:
    RecordingItem(std::wstring title, std::vector<std::wstring>& log) : title_(std::move(title)), log_(log) {}

    const std::wstring& Title() const override { return title_; }
    Result<> SetTitle(std::wstring title) override
    {
        title_ = std::move(title);
        return {};
    }
    Result<> Start() override
    {
        log_.push_back(title_);
        if (during) {
            during();
        }
        if (failure) {
            return std::unexpected(*failure);
        }
        return {};
    }

    std::function<void()> during;
    std::optional<Error> failure;

private:
    std::wstring title_;
    std::vector<std::wstring>& log_;
};

// The window of the shipped layout with recording items in place of the real ones.
struct Form {
    explicit Form(std::vector<std::wstring_view> extraNames = {})
    {
        for (const ControlLayout& control : kItemLayout) {
            if (control.kind == ControlKind::kCheckBox) {
                window.checkboxes[control.index] = control.checked ? 1 : 0;
            }
            Add(control.name, control.IsItem() ? std::get<std::wstring_view>(control.stored[1].value) : L"");
        }
        for (std::wstring_view name : extraNames) {
            Add(name, name);
        }
        commands = std::make_unique<CleanCommands>(window, controls);
    }

    void Add(std::wstring_view name, std::wstring_view title)
    {
        RecordingItem* item = nullptr;
        if (!title.empty()) {
            items.push_back(std::make_unique<RecordingItem>(std::wstring(title), started));
            item = items.back().get();
        }
        names.push_back(std::make_unique<std::wstring>(name));
        controls.push_back({*names.back(), item});
    }

    RecordingItem& Item(std::wstring_view title)
    {
        for (auto& item : items) {
            if (item->Title() == title) {
                return *item;
            }
        }
        throw std::logic_error("no such item");
    }

    SubstituteWindow window;
    std::vector<std::unique_ptr<RecordingItem>> items;
    std::vector<std::unique_ptr<std::wstring>> names;
    std::vector<FormControl> controls;
    std::vector<std::wstring> started;
    std::unique_ptr<CleanCommands> commands;
};

const std::vector<std::wstring> kAllInWindowOrder = {L"History Folder",   L"IE URL History", L"Cookies",
                                                     L"Document History", L"Search History", L"Paint History"};

TEST(CleanCommands, AskTheirQuestionAndStartTheChosenItemsInWindowOrder)
{
    struct Case {
        const char* what;
        bool all;
        MessageAnswer answer;
        std::vector<int> cleared;  // checkboxes to clear first
        std::vector<std::wstring> expected;
    };
    const Case cases[] = {
        {"No to Clean starts nothing", false, MessageAnswer::kNo, {}, {}},
        {"No to Clean All starts nothing", true, MessageAnswer::kNo, {}, {}},
        {"a box that could not be shown starts nothing", true, MessageAnswer::kNone, {}, {}},
        {"Clean starts every checked item, Cookies not", false, MessageAnswer::kYes, {},
         {L"History Folder", L"IE URL History", L"Document History", L"Search History", L"Paint History"}},
        {"Clean with every box clear starts nothing", false, MessageAnswer::kYes, {0, 1, 3, 4, 5}, {}},
        {"Clean All starts all six, Cookies too", true, MessageAnswer::kYes, {0, 1, 3, 4, 5}, kAllInWindowOrder},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Form form;
        for (int index : c.cleared) {
            form.window.checkboxes[index] = 0;
        }
        form.window.answers = {c.answer};

        c.all ? form.commands->CleanAll() : form.commands->Clean();

        ASSERT_EQ(form.window.shown.size(), 1u);
        const ShownMessage& question = form.window.shown[0];
        EXPECT_EQ(question.text, c.all ? L"Are you sure to clean all history?"
                                       : L"This action is permanent! Are you sure to clean?");
        EXPECT_EQ(question.title, c.all ? L"Clean All" : L"Confirm");
        EXPECT_EQ(question.buttons, MessageButtons::kYesNo);
        EXPECT_EQ(question.icon, MessageIcon::kQuestion);
        EXPECT_EQ(form.started, c.expected);
        EXPECT_EQ(form.window.cleanCommandsEnabled, (std::vector<bool>{false, true}));
    }
}

TEST(CleanCommands, AnItemWithoutAFinalDigitRunsOnlyUnderCleanAll)
{
    Form form({L"NvRegExtra"});
    form.window.answers = {MessageAnswer::kYes, MessageAnswer::kYes};

    form.commands->Clean();
    EXPECT_EQ(std::ranges::count(form.started, L"NvRegExtra"), 0);
    form.commands->CleanAll();
    EXPECT_EQ(std::ranges::count(form.started, L"NvRegExtra"), 1);
}

TEST(CleanCommands, AnErrorStopsTheCommandAndShowsItsDescription)
{
    struct Case {
        const char* what;
        std::vector<std::wstring_view> extra;
        std::function<void(Form&)> arrange;
        std::wstring description;
        std::vector<std::wstring> expected;
    };
    const Case cases[] = {
        {"a name whose digit has no checkbox", {L"NvReg7", L"NvReg1"}, [](Form&) {},
         L"Control array element '7' doesn't exist",
         {L"History Folder", L"IE URL History", L"Document History", L"Search History", L"Paint History"}},
        {"an item whose run fails",
         {},
         [](Form& form) { form.Item(L"IE URL History").failure = Error{91, L"The status line is gone"}; },
         L"The status line is gone",
         {L"History Folder", L"IE URL History"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Form form(c.extra);
        c.arrange(form);
        form.window.answers = {MessageAnswer::kYes};

        form.commands->Clean();

        EXPECT_EQ(form.started, c.expected) << "items after the failure are not started";
        ASSERT_EQ(form.window.shown.size(), 2u);
        EXPECT_EQ(form.window.shown[1].text, c.description);
        EXPECT_EQ(form.window.shown[1].title, L"Nivaro");
        EXPECT_EQ(form.window.shown[1].buttons, MessageButtons::kOk);
        EXPECT_EQ(form.window.shown[1].icon, MessageIcon::kNone);
        EXPECT_EQ(form.window.cleanCommandsEnabled.back(), true);
    }
}

TEST(CleanCommands, ASecondCleanCannotStartInsideARunningOne)
{
    Form form;
    form.window.answers = {MessageAnswer::kYes, MessageAnswer::kYes};
    // Folder items pump events while they run; a click that arrives then reaches the commands.
    form.Item(L"History Folder").during = [&] {
        EXPECT_TRUE(form.commands->Busy());
        form.commands->CleanAll();
        form.commands->Clean();
    };

    form.commands->CleanAll();

    EXPECT_EQ(form.window.shown.size(), 1u) << "no second question";
    EXPECT_EQ(form.started, kAllInWindowOrder);
    EXPECT_FALSE(form.commands->Busy());
}

TEST(CleanCommands, MoreOpensTheProductPage)
{
    Form form;
    form.commands->More();
    EXPECT_EQ(form.window.openedPages, (std::vector<std::wstring>{std::wstring(form_design::kWebPage)}));
    EXPECT_TRUE(form.window.shown.empty());
    EXPECT_TRUE(form.started.empty());
}

}  // namespace
}  // namespace nivaro
