// The real window under a real window system: layout, captions, states, questions and closing.

#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "main/control_ids.h"
#include "main/item_layout.h"
#include "main/window_access.h"
#include "platform/backend.h"
#include "ui/win32/tests/program_driver.h"
#include "ui/win32/scale.h"
#include "ui/win32/tests/screen_dpi.h"
#include "platform/win32/unique_handles.h"
#include "tests/support/layout_traces.h"

namespace nivaro::win32::testing {
namespace {

using nivaro::testing::LayoutTraces;

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

// What a screen reader asks of a control, across the process boundary: its accessible object's
// name.
std::wstring AccessibleNameOf(HWND control)
{
    ComPtr<IAccessible> object;
    if (FAILED(::AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                            object.put_void()))) {
        return L"(no accessible object)";
    }
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    UniqueBstr name;
    if (FAILED(object->get_accName(self, name.put()))) {
        return L"(no name)";
    }
    return std::wstring(name.view());
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

TEST(MainWindow, EachCheckBoxShowsCleanAndIsNamedForItsItem)
{
    const ComApartment com;
    ProgramDriver program;
    std::set<std::wstring> names;
    for (const ControlLayout& control : kItemLayout) {
        if (control.kind != ControlKind::kCheckBox) {
            continue;
        }
        const HWND box = program.Control(control.controlId);
        EXPECT_EQ(WindowText(box), L"Clean");
        EXPECT_EQ(AccessibleNameOf(box), AccessibleName(control));
        names.insert(AccessibleNameOf(box));
    }
    EXPECT_EQ(names.size(), 6u) << "no two boxes sound alike";
    EXPECT_TRUE(names.contains(L"Clean IE URL History"));
}

TEST(MainWindow, AltAndAButtonsKeyPressesIt)
{
    struct Case {
        wchar_t key;
        std::wstring question;
    };
    const Case cases[] = {{L'c', L"Confirm"}, {L'a', L"Clean All"}};
    ProgramDriver program;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "Alt+" << static_cast<char>(c.key));
        // What the keyboard sends for Alt and a letter; the window's dialog keys find the button.
        constexpr LPARAM kAltDown = LPARAM{1} << 29;
        ::PostMessageW(program.Main(), WM_SYSCHAR, c.key, kAltDown);
        const std::optional<HWND> question = program.WaitFor([&] { return program.OwnedBox(); });
        ASSERT_TRUE(question) << "no question was asked";
        EXPECT_EQ(WindowText(*question), c.question);
        program.Answer(*question, IDNO);
        EXPECT_FALSE(program.WaitForCleanToEnd());
    }
    EXPECT_EQ(program.CloseAndWait(), 0u);
}

// A pixel of the window's own background, left of the first item.
COLORREF BackgroundPixel(const ProgramDriver& program)
{
    const HDC dc = ::GetDC(program.Main());
    const COLORREF pixel = ::GetPixel(dc, 1, 1);
    ::ReleaseDC(program.Main(), dc);
    return pixel;
}

TEST(MainWindow, DrawsWithItsOwnColoursWithoutHighContrast)
{
    ProgramDriver program;
    ASSERT_TRUE(program.Sync());
    ::UpdateWindow(program.Main());
    EXPECT_EQ(BackgroundPixel(program), ToColorref(form_design::kBackground));
}

TEST(MainWindow, InHighContrastItDrawsWithTheSystemsColours)
{
    HIGHCONTRASTW on{};
    on.cbSize = sizeof(on);
    on.dwFlags = HCF_HIGHCONTRASTON;
    if (!::SystemParametersInfoW(SPI_SETHIGHCONTRAST, sizeof(on), &on, SPIF_SENDCHANGE)) {
        GTEST_SKIP() << "this system keeps no high-contrast setting (Wine answers SPI_SETHIGHCONTRAST with an error "
                        "and high contrast as off); the choice of colours is tested natively";
    }
    struct TurnedOff {
        ~TurnedOff()
        {
            HIGHCONTRASTW off{};
            off.cbSize = sizeof(off);
            ::SystemParametersInfoW(SPI_SETHIGHCONTRAST, sizeof(off), &off, SPIF_SENDCHANGE);
        }
    } turnedOff;
    ProgramDriver program;
    ASSERT_TRUE(program.Sync());
    ::UpdateWindow(program.Main());
    EXPECT_EQ(BackgroundPixel(program), ::GetSysColor(COLOR_WINDOW));
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

const ControlLayout& ItemById(std::string_view id)
{
    return *std::ranges::find(kItemLayout, id, &ControlLayout::id);
}

std::wstring Status(const ProgramDriver& program, std::string_view id)
{
    return program.ItemText(ItemById(id).controlId, control_id::kItemStatus);
}

// Answers Yes to the question of a clean command and waits for the clean to end without an error.
::testing::AssertionResult RunClean(ProgramDriver& program, int button)
{
    auto question = program.ClickAndWaitForBox(button);
    if (!question) {
        return ::testing::AssertionFailure() << "no question was asked";
    }
    program.Answer(*question, IDYES);
    if (auto error = program.WaitForCleanToEnd()) {
        return ::testing::AssertionFailure() << "error box: " << MessageBoxText(*error);
    }
    return ::testing::AssertionSuccess();
}

using CleanCommands = nivaro::testing::LayoutTracesTest;

TEST_F(CleanCommands, CleanThenCleanAllEmptyTheListsAndFoldersAndTouchNothingElse)
{
    ProgramDriver program;

    ASSERT_TRUE(RunClean(program, control_id::kClean));
    for (const auto& [id, values] : LayoutTraces::ValuesPerList()) {
        EXPECT_EQ(Status(program, id), std::to_wstring(values) + L" Items clean...") << id;
        EXPECT_EQ(traces_.Names(id), std::vector<std::wstring>{}) << id;
        EXPECT_TRUE(traces_.KeptValuesAreThere(id)) << "the default value and the subkey stay: " << id;
    }
    EXPECT_EQ(Status(program, "history"), std::to_wstring(LayoutTraces::kHistoryFiles) + L" Items clean...");
    EXPECT_EQ(traces_.Disk().Names(traces_.History()), std::vector<std::wstring>{L"Kept"});
    EXPECT_TRUE(traces_.Disk().Exists(FolderFixture::Join(FolderFixture::Join(traces_.History(), L"Kept"), L"inside.txt")));
    EXPECT_EQ(Status(program, "cookies"), L"Not Complete") << "its box is clear";
    EXPECT_EQ(traces_.Disk().Names(traces_.Cookies()).size(), static_cast<std::size_t>(LayoutTraces::kCookiesFiles + 1));

    ASSERT_TRUE(RunClean(program, control_id::kCleanAll));
    for (const auto& [id, values] : LayoutTraces::ValuesPerList()) {
        EXPECT_EQ(Status(program, id), L"0 Items clean...") << id;
    }
    EXPECT_EQ(Status(program, "history"), L"0 Items clean...");
    EXPECT_EQ(Status(program, "cookies"), std::to_wstring(LayoutTraces::kCookiesFiles) + L" Items clean...");
    EXPECT_EQ(traces_.Disk().Names(traces_.Cookies()), std::vector<std::wstring>{L"Kept"});

    EXPECT_EQ(program.CloseAndWait(), 0u);
}

// Out-of-context events reach the test's thread while it waits for the program.
std::set<HWND> announcedStatuses;

void CALLBACK NoteAnnouncement(HWINEVENTHOOK, DWORD, HWND hwnd, LONG object, LONG child, DWORD, DWORD)
{
    if (object == OBJID_CLIENT && child == CHILDID_SELF) {
        announcedStatuses.insert(hwnd);
    }
}

TEST_F(CleanCommands, EachStatusChangeIsAnnouncedWithTheItemItIsAbout)
{
    const ComApartment com;
    ProgramDriver program;
    announcedStatuses.clear();
    const UniqueWinEventHook hook(::SetWinEventHook(EVENT_OBJECT_LIVEREGIONCHANGED, EVENT_OBJECT_LIVEREGIONCHANGED,
                                                    nullptr, NoteAnnouncement, ::GetProcessId(program.ProcessHandle()),
                                                    0, WINEVENT_OUTOFCONTEXT));
    ASSERT_TRUE(hook);

    ASSERT_TRUE(RunClean(program, control_id::kClean));

    std::set<HWND> changed;  // the status lines of the checked items
    for (const ControlLayout& control : kItemLayout) {
        if (control.IsItem() && Status(program, control.id) != L"Not Complete") {
            changed.insert(::GetDlgItem(program.Control(control.controlId), control_id::kItemStatus));
        }
    }
    ASSERT_EQ(changed.size(), 5u) << "every item but Cookies ran";
    EXPECT_TRUE(program.WaitFor([&] { return announcedStatuses == changed; })) << "announced " << announcedStatuses.size();
    for (const ControlLayout& control : kItemLayout) {
        if (control.IsItem()) {
            const HWND status = ::GetDlgItem(program.Control(control.controlId), control_id::kItemStatus);
            EXPECT_EQ(AccessibleNameOf(status), StatusAnnouncement(ItemTitle(control), Status(program, control.id)));
        }
    }
    EXPECT_EQ(program.CloseAndWait(), 0u);
}

TEST_F(CleanCommands, AClickWhileAFolderRunsDoesNotStartASecondClean)
{
    constexpr int kFiles = 2000;
    const std::wstring crowded = FolderFixture::Join(traces_.Disk().Root(), L"Crowded");
    ASSERT_TRUE(traces_.Disk().MakeFolder(crowded));
    for (int i = 0; i < kFiles; ++i) {
        ASSERT_TRUE(traces_.Disk().MakeFile(FolderFixture::Join(crowded, std::to_wstring(i) + L".tmp")));
    }
    traces_.MoveHistory(crowded);
    ProgramDriver program;
    auto question = program.ClickAndWaitForBox(control_id::kClean);
    ASSERT_TRUE(question);
    program.Answer(*question, IDYES);

    // The folder run lets events through between its entries: the window answers while it runs.
    bool clicked = false;
    for (int round = 0; round < kFiles && !clicked; ++round) {
        ASSERT_TRUE(program.Sync());
        if (Status(program, "history") == L"Remove") {
            EXPECT_FALSE(::IsWindowEnabled(program.Control(control_id::kCleanAll)));
            ::PostMessageW(program.Control(control_id::kCleanAll), BM_CLICK, 0, 0);
            ::PostMessageW(program.Main(), WM_COMMAND, MAKEWPARAM(control_id::kCleanAll, BN_CLICKED),
                           reinterpret_cast<LPARAM>(program.Control(control_id::kCleanAll)));
            clicked = true;
        }
    }
    ASSERT_TRUE(clicked) << "the run was over before it could be clicked";

    EXPECT_FALSE(program.WaitForCleanToEnd()) << "a second clean asked its question";
    EXPECT_EQ(Status(program, "history"), std::to_wstring(kFiles) + L" Items clean...");
    EXPECT_EQ(Status(program, "cookies"), L"Not Complete") << "no Clean All ran after the first clean";
    EXPECT_EQ(traces_.Disk().Names(crowded), std::vector<std::wstring>{});
    EXPECT_FALSE(program.OwnedBox());
}

TEST_F(CleanCommands, AnItemsTooltipTellsWhatACleanWouldRemoveNowAndIsNotStaleAfterAClean)
{
    ProgramDriver program;
    struct Case {
        std::string id;
        std::wstring tip;
    };
    const Case cases[] = {
        {"recent-docs", L"3 to remove: url1, url2, url3"},
        {"typed-urls", L"5 to remove: url1, url2, url3, url4, url5"},
        {"history", L"3 to remove: trace1.txt, trace2.txt, trace3.txt\n1 to leave"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(program.WaitForTip(program.Control(ItemById(c.id).controlId)), c.tip);
    }
    EXPECT_EQ(traces_.Names("recent-docs")->size(), 3u) << "a preview removes nothing";
    // Asked again after a clean, the tip tells what is there then.
    ASSERT_TRUE(RunClean(program, control_id::kClean));
    EXPECT_EQ(program.WaitForTip(program.Control(ItemById("recent-docs").controlId)), L"Nothing to remove");
}

// Folders of many files, made from the Linux side by tests/fixtures/make_test_folders.py.
std::wstring BigFolder(std::wstring_view name)
{
    return FolderFixture::Join(FolderFixture::Join(NIVARO_TEST_FOLDERS, L"big"), name);
}

TEST_F(CleanCommands, TheWindowAnswersWhileATipsPreviewIsWorkedOut)
{
    traces_.MoveHistory(BigFolder(L"preview"));
    ProgramDriver program;
    const HWND history = program.Control(ItemById("history").controlId);
    const HWND typedUrls = program.Control(ItemById("typed-urls").controlId);

    // The preview starts when the tip opens; the tip says so rather than wait for it.
    EXPECT_EQ(program.TipText(history), L"Counting...");
    EXPECT_TRUE(program.Sync()) << "the window answers while ten thousand entries are looked at";
    EXPECT_EQ(program.TipText(typedUrls), L"Counting...") << "another item's tip, asked meanwhile";
    EXPECT_EQ(program.WaitForTip(typedUrls), L"5 to remove: url1, url2, url3, url4, url5");

    const std::optional<std::wstring> final = program.WaitForTip(history);
    ASSERT_TRUE(final);
    EXPECT_TRUE(final->starts_with(L"10,000 to remove: trace00000.txt, trace00001.txt")) << *final;
    EXPECT_EQ(traces_.Disk().Names(BigFolder(L"preview")).size(), 10000u) << "a preview removes nothing";
}

TEST_F(CleanCommands, ClosingDuringACleanLetsItFinishAndEndsTheProgramWell)
{
    traces_.MoveHistory(BigFolder(L"clean"));
    ProgramDriver program;
    auto question = program.ClickAndWaitForBox(control_id::kClean);
    ASSERT_TRUE(question);
    program.Answer(*question, IDYES);
    ASSERT_TRUE(program.Sync());
    EXPECT_EQ(Status(program, "history"), L"Remove") << "the clean is under way when the window is closed";

    EXPECT_EQ(program.CloseAndWait(), 0u);
    EXPECT_EQ(traces_.Disk().Names(BigFolder(L"clean")), std::vector<std::wstring>{}) << "every entry was handled";
    EXPECT_EQ(traces_.Names("typed-urls"), std::vector<std::wstring>{}) << "and the items after it ran";
}

}  // namespace
}  // namespace nivaro::win32::testing
