// The real window under a real window system: layout, captions, states, questions and closing.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "main/control_ids.h"
#include "main/item_layout.h"
#include "platform/win32/tests/program_driver.h"

namespace nivaro::win32::testing {
namespace {

RECT Pixels(const TwipRect& r, int dpi)
{
    const auto px = [dpi](int twips) { return ::MulDiv(twips, dpi, 1440); };
    return {px(r.left), px(r.top), px(r.left) + px(r.width), px(r.top) + px(r.height)};
}

std::wstring Title(const ControlLayout& item)
{
    return std::wstring(std::get<std::wstring_view>(item.stored[1].value));
}

::testing::AssertionResult SameRect(const RECT& actual, const RECT& expected)
{
    if (::EqualRect(&actual, &expected)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "(" << actual.left << "," << actual.top << ")-(" << actual.right << ","
                                         << actual.bottom << ") instead of (" << expected.left << "," << expected.top
                                         << ")-(" << expected.right << "," << expected.bottom << ")";
}

// The screen's DPI for the programs started while it lives; the previous setting comes back after.
class ScreenDpi {
public:
    explicit ScreenDpi(DWORD dpi)
    {
        ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                          nullptr, key_.put(), nullptr);
        DWORD size = sizeof(previous_);
        hadValue_ = ::RegQueryValueExW(key_.get(), L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&previous_),
                                       &size) == ERROR_SUCCESS;
        ::RegSetValueExW(key_.get(), L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof(dpi));
    }
    ScreenDpi(const ScreenDpi&) = delete;
    ScreenDpi& operator=(const ScreenDpi&) = delete;
    ~ScreenDpi()
    {
        if (hadValue_) {
            ::RegSetValueExW(key_.get(), L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&previous_),
                             sizeof(previous_));
        } else {
            ::RegDeleteValueW(key_.get(), L"LogPixels");
        }
    }

private:
    UniqueHkey key_;
    DWORD previous_ = 0;
    bool hadValue_ = false;
};

// Every control where the layout table puts it, at the window's DPI, with its caption and state.
void ExpectLayoutTable(const ProgramDriver& program, int dpi)
{
    RECT client{};
    ::GetClientRect(program.Main(), &client);
    EXPECT_EQ(client.right, ::MulDiv(6375, dpi, 1440));
    EXPECT_EQ(client.bottom, ::MulDiv(6420, dpi, 1440));
    for (const ControlLayout& control : kItemLayout) {
        SCOPED_TRACE(::testing::Message() << "control " << std::wstring(control.name) << " " << control.index);
        const HWND hwnd = program.Control(control.controlId);
        ASSERT_NE(hwnd, nullptr);
        EXPECT_TRUE(SameRect(ChildRect(hwnd), Pixels(control.rect, dpi)));
        EXPECT_TRUE(::IsWindowVisible(hwnd));
        if (control.IsItem()) {
            EXPECT_EQ(program.ItemText(control.controlId, control_id::kItemTitle), Title(control));
            EXPECT_EQ(program.ItemText(control.controlId, control_id::kItemStatusCaption), L"Status:");
            EXPECT_EQ(program.ItemText(control.controlId, control_id::kItemStatus), L"Not Complete");
            continue;
        }
        EXPECT_EQ(WindowText(hwnd), std::wstring(control.caption));
        if (control.kind == ControlKind::kCheckBox) {
            EXPECT_EQ(::SendMessageW(hwnd, BM_GETCHECK, 0, 0), control.checked ? BST_CHECKED : BST_UNCHECKED);
        }
    }
}

// Reads the program's windows in physical pixels, not scaled for a test unaware of DPI.
void ReadPhysicalPixels()
{
    ::SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
}

TEST(MainWindow, ShowsTheLayoutTable)
{
    ReadPhysicalPixels();
    const ScreenDpi screen(USER_DEFAULT_SCREEN_DPI);
    ProgramDriver program;
    EXPECT_EQ(WindowText(program.Main()), L"Nivaro 1.0");
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(program.Main(), GWL_STYLE));
    EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0u) << "fixed single border";
    EXPECT_TRUE(style & WS_SYSMENU);
    // 15 twips to the pixel.
    ExpectLayoutTable(program, USER_DEFAULT_SCREEN_DPI);
}

TEST(MainWindow, ScalesWithTheScreensDpi)
{
    ReadPhysicalPixels();
    for (const int dpi : {144, 192}) {
        SCOPED_TRACE(::testing::Message() << dpi << " dots per inch");
        const ScreenDpi screen(static_cast<DWORD>(dpi));
        ProgramDriver program;
        ExpectLayoutTable(program, dpi);
    }
}

TEST(MainWindow, TabFollowsTheTabIndexColumn)
{
    ProgramDriver program;
    std::vector<const ControlLayout*> byTab;
    for (const ControlLayout& control : kItemLayout) {
        byTab.push_back(&control);
    }
    std::ranges::sort(byTab, {}, &ControlLayout::tabIndex);

    std::vector<int> expected;
    for (const ControlLayout* control : byTab) {
        expected.push_back(control->controlId);
    }
    std::vector<int> zOrder;
    for (HWND child = ::GetWindow(program.Main(), GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        zOrder.push_back(::GetDlgCtrlID(child));
    }
    EXPECT_EQ(zOrder, expected);
}

TEST(MainWindow, AsksBeforeCleaningAndStartsNothingOnNo)
{
    struct Case {
        int button;
        std::wstring text;
        std::wstring title;
    };
    const Case cases[] = {
        {control_id::kClean, L"This action is permanent! Are you sure to clean?", L"Confirm"},
        {control_id::kCleanAll, L"Are you sure to clean all history?", L"Clean All"},
    };
    ProgramDriver program;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "button " << c.button);
        auto question = program.ClickAndWaitForBox(c.button);
        ASSERT_TRUE(question) << "no question was asked";
        EXPECT_EQ(MessageBoxText(*question), c.text);
        EXPECT_EQ(WindowText(*question), c.title);
        EXPECT_FALSE(::IsWindowEnabled(program.Control(control_id::kClean))) << "no second clean while one runs";
        program.Answer(*question, IDNO);
        EXPECT_FALSE(program.WaitForCleanToEnd());
        for (const ControlLayout& control : kItemLayout) {
            if (control.IsItem()) {
                EXPECT_EQ(program.ItemText(control.controlId, control_id::kItemStatus), L"Not Complete");
            }
        }
    }
    EXPECT_EQ(program.CloseAndWait(), 0u);
}

TEST(MainWindow, CleansOnYesWithoutAnErrorAndEndsWhenClosed)
{
    ProgramDriver program;
    auto question = program.ClickAndWaitForBox(control_id::kClean);
    ASSERT_TRUE(question);
    program.Answer(*question, IDYES);

    auto error = program.WaitForCleanToEnd();
    ASSERT_FALSE(error) << "error box: " << MessageBoxText(*error);
    for (const ControlLayout& control : kItemLayout) {
        if (!control.IsItem()) {
            continue;
        }
        const std::wstring status = program.ItemText(control.controlId, control_id::kItemStatus);
        if (RowDigit(control.name) == 2) {
            EXPECT_EQ(status, L"Not Complete") << "Cookies' box is clear";
        } else {
            EXPECT_NE(status, L"Not Complete") << Title(control);
        }
    }
    EXPECT_EQ(program.CloseAndWait(), 0u);
}

}  // namespace
}  // namespace nivaro::win32::testing
