// The window of the other items under a real window system, driven from outside: opened from the
// main window's system menu, its checklist, its preview, its clean and the choices it remembers.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "items/builtin_items.h"
#include "main/control_ids.h"
#include "main/item_choices.h"
#include "main/items_window_layout.h"
#include "platform/backend.h"
#include "platform/utf16.h"
#include "platform/win32/nt_api.h"
#include "ui/win32/tests/program_driver.h"
#include "ui/win32/tests/user_items_file.h"
#include "ui/win32/tests/screen_dpi.h"
#include "platform/win32/unique_handles.h"
#include "registry/mod_reg.h"
#include "tests/support/registry_values.h"

namespace nivaro::win32::testing {
namespace {

constexpr wchar_t kWindowClass[] = L"NivaroItemsWindow";
constexpr std::wstring_view kExplorer = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
constexpr std::wstring_view kKeptDefault = L"the default value stays";

LRESULT SendTo(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(hwnd, message, wparam, lparam, SMTO_NORMAL, static_cast<UINT>(kPatience.count()), &result);
    return static_cast<LRESULT>(result);
}

// The window of the other items of a running program, read and used from outside.
class OtherItems {
public:
    OtherItems(ProgramDriver& program, HWND window)
        : program_(program), window_(window)
    {
    }

    // Chooses the main window's system menu entry and waits for the window to be up.
    static std::optional<OtherItems> Open(ProgramDriver& program)
    {
        ::PostMessageW(program.Main(), WM_SYSCOMMAND, control_id::kOtherItemsCommand, 0);
        const std::optional<HWND> window = program.WaitFor([&] { return Find(program); });
        // Once its loop answers, it is built and shown.
        if (!window || !SendMessageTimeoutOk(*window)) {
            return std::nullopt;
        }
        return OtherItems(program, *window);
    }

    static std::optional<HWND> Find(const ProgramDriver& program)
    {
        const std::wstring caption(other_items_design::kCaption);
        for (HWND found = ::FindWindowExW(nullptr, nullptr, kWindowClass, caption.c_str()); found != nullptr;
             found = ::FindWindowExW(nullptr, found, kWindowClass, caption.c_str())) {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(found, &owner);
            if (owner == ::GetProcessId(program.ProcessHandle()) && ::IsWindowVisible(found)) {
                return found;
            }
        }
        return std::nullopt;
    }

    // How many of these windows the program has.
    static int CountOpen(const ProgramDriver& program)
    {
        int count = 0;
        const DWORD processId = ::GetProcessId(program.ProcessHandle());
        for (HWND found = ::FindWindowExW(nullptr, nullptr, kWindowClass, nullptr); found != nullptr;
             found = ::FindWindowExW(nullptr, found, kWindowClass, nullptr)) {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(found, &owner);
            count += owner == processId ? 1 : 0;
        }
        return count;
    }

    HWND Window() const { return window_; }
    HWND Control(int id) const { return ::GetDlgItem(window_, id); }
    HWND List() const { return Control(control_id::kOtherItemsList); }

    int Rows() const { return static_cast<int>(SendTo(List(), LVM_GETITEMCOUNT, 0, 0)); }

    std::optional<int> Row(std::wstring_view title) const
    {
        for (int row = 0; row < Rows(); ++row) {
            if (Cell(row, OtherItemsColumn::kTitle) == title) {
                return row;
            }
        }
        return std::nullopt;
    }

    std::wstring Cell(int row, OtherItemsColumn column) const
    {
        struct Question {
            LVITEMW item;
            wchar_t text[512];
        };
        const RemoteMemory remote(program_.ProcessHandle(), sizeof(Question));
        Question question{};
        question.item.iSubItem = ColumnIndex(column);
        question.item.pszText = remote.At<Question>()->text;
        question.item.cchTextMax = static_cast<int>(std::size(question.text));
        if (!remote.Write(&question, sizeof(question))) {
            return L"<unreadable>";
        }
        const auto length = static_cast<std::size_t>(SendTo(List(), LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                                                            reinterpret_cast<LPARAM>(remote.At<Question>())));
        if (!remote.Read(&question, sizeof(question))) {
            return L"<unreadable>";
        }
        return std::wstring(question.text, std::min(length, std::size(question.text) - 1));
    }

    std::wstring Cell(std::wstring_view title, OtherItemsColumn column) const
    {
        const std::optional<int> row = Row(title);
        return row ? Cell(*row, column) : L"<no such row>";
    }

    // The row's state image: 0 for no box, 1 for a clear box, 2 for a checked one.
    UINT BoxImage(int row) const
    {
        const auto state =
            static_cast<UINT>(SendTo(List(), LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK));
        return (state & LVIS_STATEIMAGEMASK) >> 12;
    }
    bool IsChecked(int row) const { return BoxImage(row) == 2; }

    // Checks or clears the row's box as a click on it does: through the list view, which tells its window.
    bool SetChecked(int row, bool checked) const
    {
        const RemoteMemory remote(program_.ProcessHandle(), sizeof(LVITEMW));
        LVITEMW item{};
        item.stateMask = LVIS_STATEIMAGEMASK;
        item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
        return remote.Write(&item, sizeof(item)) && SendTo(List(), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                                                           reinterpret_cast<LPARAM>(remote.At<LVITEMW>()));
    }

    std::wstring Targets() const { return WindowText(Control(control_id::kOtherItemsTargets)); }

    // Types into the filter box, as a user would, all at once. The system carries the text of
    // WM_SETTEXT over to the program's process.
    bool SetFilter(std::wstring_view text) const
    {
        const std::wstring terminated(text);
        return SendTo(Control(control_id::kOtherItemsFilter), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(terminated.c_str()));
    }
    // The titles of the rows the list shows now: headings as they read, items indented.
    std::vector<std::wstring> Shown() const
    {
        std::vector<std::wstring> shown;
        for (int row = 0; row < Rows(); ++row) {
            shown.push_back((BoxImage(row) == 0 ? L"" : L"  ") + Cell(row, OtherItemsColumn::kTitle));
        }
        return shown;
    }
    // The rows the list shows on screen: the first, and how many fit.
    int TopRow() const { return static_cast<int>(SendTo(List(), LVM_GETTOPINDEX, 0, 0)); }
    int RowsPerPage() const { return static_cast<int>(SendTo(List(), LVM_GETCOUNTPERPAGE, 0, 0)); }
    void ScrollTo(int row) const { SendTo(List(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE); }
    // The control of the window that has the keyboard.
    HWND Focus() const
    {
        GUITHREADINFO info{};
        info.cbSize = sizeof(info);
        ::GetGUIThreadInfo(::GetWindowThreadProcessId(window_, nullptr), &info);
        return info.hwndFocus;
    }

    void Click(int buttonId) const { ::PostMessageW(Control(buttonId), BM_CLICK, 0, 0); }

    // Waits until no row is still being counted.
    bool WaitForPreviews() const
    {
        return program_.WaitFor([&] {
            for (int row = 0; row < Rows(); ++row) {
                if (Cell(row, OtherItemsColumn::kWouldRemove).starts_with(L"Counting")) {
                    return false;
                }
            }
            return true;
        });
    }

    // Waits for a message box of this window that has not been answered yet.
    std::optional<HWND> WaitForBox() const
    {
        auto box = program_.WaitFor([&] { return UnansweredBoxOf(window_, answered_); });
        if (box && !SendMessageTimeoutOk(*box)) {
            return std::nullopt;
        }
        return box;
    }

    void Answer(HWND box, int buttonId)
    {
        answered_.insert(box);
        program_.Answer(box, buttonId);
    }

    // Clicks Clean, answers its question and waits for the clean to end.
    ::testing::AssertionResult Clean(int answer)
    {
        Click(control_id::kOtherItemsClean);
        const std::optional<HWND> question = WaitForBox();
        if (!question) {
            return ::testing::AssertionFailure() << "no question was asked";
        }
        if (MessageBoxText(*question) != L"This action is permanent! Are you sure to clean?" ||
            WindowText(*question) != L"Confirm") {
            return ::testing::AssertionFailure() << "another question was asked";
        }
        if (::IsWindowEnabled(Control(control_id::kOtherItemsClean))) {
            return ::testing::AssertionFailure() << "Clean could be clicked again while its question was up";
        }
        Answer(*question, answer);
        const bool ended = program_.WaitFor([&] {
            return SendMessageTimeoutOk(window_) && ::IsWindowEnabled(Control(control_id::kOtherItemsClean)) &&
                   !program_.OwnedBox() && !Cell(0, OtherItemsColumn::kLastClean).starts_with(L"Cleaning");
        });
        return ended ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << "the clean did not end";
    }

    // Returns once the window has handled a message.
    bool Sync() const { return SendMessageTimeoutOk(window_); }

    // Closes the window with its Close button and waits for it to go.
    bool Close() const
    {
        Click(control_id::kOtherItemsClose);
        return program_.WaitFor([&] { return !::IsWindow(window_); });
    }

private:
    static bool SendMessageTimeoutOk(HWND hwnd)
    {
        DWORD_PTR ignored = 0;
        const auto patience = static_cast<UINT>(kPatience.count());
        return ::SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, patience, &ignored) != 0;
    }

    ProgramDriver& program_;
    HWND window_;
    std::set<HWND> answered_;
};

// A value as the registry holds it.
struct RawValue {
    std::wstring name;
    std::uint32_t type = reg_type::kNone;
    std::vector<std::byte> data;
    friend bool operator==(const RawValue&, const RawValue&) = default;
};

std::vector<RawValue> ReadValues(RegistryApi& registry, std::wstring_view path)
{
    std::vector<RawValue> values;
    RegistryKey key;
    if (registry.OpenKey(kCurrentUser, path, KeyAccess::kQuery, key) != reg_status::kSuccess) {
        return values;
    }
    for (std::wstring& name : ValueNamesWithDefault(registry, key)) {
        if (std::optional<StoredValue> stored = ReadStoredValue(registry, key, name)) {
            values.push_back(RawValue{std::move(name), stored->type, std::move(stored->data)});
        }
    }
    return values;
}

bool KeyExists(RegistryApi& registry, std::wstring_view path)
{
    RegistryKey key;
    return registry.OpenKey(kCurrentUser, path, KeyAccess::kQuery, key) == reg_status::kSuccess;
}

// A key of the user's hive emptied of its values for a test and put back as it was afterwards:
// its values restored, or, when it was not there, it and the parents made for it removed.
class KeyForTest {
public:
    KeyForTest(RegistryApi& registry, std::wstring path) : registry_(registry), path_(std::move(path))
    {
        for (std::size_t end = path_.find(L'\\'); ; end = path_.find(L'\\', end + 1)) {
            const std::wstring prefix = path_.substr(0, end);
            if (!KeyExists(registry_, prefix)) {
                madeFrom_ = prefix;
                break;
            }
            if (end == std::wstring::npos) {
                break;
            }
        }
        before_ = ReadValues(registry_, path_);
        Empty();
    }
    KeyForTest(const KeyForTest&) = delete;
    KeyForTest& operator=(const KeyForTest&) = delete;
    ~KeyForTest()
    {
        if (madeFrom_) {
            DeleteKeyTree(registry_, kCurrentUser, *madeFrom_);
            return;
        }
        Empty();
        RegistryKey key;
        if (registry_.OpenKey(kCurrentUser, path_, KeyAccess::kQueryAndSet, key) == reg_status::kSuccess) {
            for (const RawValue& value : before_) {
                registry_.SetValue(key, value.name, value.type, value.data);
            }
        }
    }

    void SetText(std::wstring_view name, std::wstring_view text)
    {
        std::vector<std::byte> bytes = EncodeUtf16(text);
        bytes.resize(bytes.size() + 2);
        Set(name, reg_type::kString, bytes);
    }
    void SetDword(std::wstring_view name, std::uint32_t number)
    {
        const auto* bytes = reinterpret_cast<const std::byte*>(&number);
        Set(name, reg_type::kDword, {bytes, bytes + sizeof(number)});
    }
    // A value whose name holds a NUL, which only the native call can make.
    void SetCounted(std::wstring_view name)
    {
        RegistryKey key;
        ASSERT_EQ(registry_.CreateKey(kCurrentUser, path_, key), reg_status::kSuccess);
        UNICODE_STRING counted = Counted(name);
        wchar_t data[] = L"x";
        ASSERT_EQ(::NtSetValueKey(reinterpret_cast<HKEY>(key.get()), &counted, 0, REG_SZ, data, sizeof(data)), 0);
    }
    // Many values at once, "v00000" on, in the order the registry keeps them.
    void SetMany(int count)
    {
        RegistryKey key;
        ASSERT_EQ(registry_.CreateKey(kCurrentUser, path_, key), reg_status::kSuccess);
        const std::byte data[2]{};
        for (int i = 0; i < count; ++i) {
            wchar_t name[16];
            std::swprintf(name, std::size(name), L"v%05d", i);
            ASSERT_EQ(registry_.SetValue(key, name, reg_type::kString, data), reg_status::kSuccess);
        }
    }
    // The named values now, sorted.
    std::vector<std::wstring> Names() const
    {
        auto names = ListValueNames(registry_, kCurrentUser, path_);
        if (!names) {
            return {L"<no key>"};
        }
        std::ranges::sort(*names);
        return *names;
    }
    std::wstring Default() const { return GetRegString(registry_, kCurrentUser, path_, L""); }
    std::vector<RawValue> Values() const { return ReadValues(registry_, path_); }

private:
    void Set(std::wstring_view name, std::uint32_t type, const std::vector<std::byte>& data)
    {
        RegistryKey key;
        ASSERT_EQ(registry_.CreateKey(kCurrentUser, path_, key), reg_status::kSuccess);
        ASSERT_EQ(registry_.SetValue(key, name, type, data), reg_status::kSuccess);
    }
    void Empty()
    {
        DeleteAllValues(registry_, kCurrentUser, path_);
        DeleteRegValue(registry_, kCurrentUser, path_, L"");
    }

    RegistryApi& registry_;
    std::wstring path_;
    std::optional<std::wstring> madeFrom_;
    std::vector<RawValue> before_;
};

void PrintTo(const RawValue& value, std::ostream* out)
{
    *out << "{" << ::testing::PrintToString(value.name) << ", type " << value.type << ", " << value.data.size()
         << " bytes}";
}

RawValue Dword(std::wstring name, std::uint32_t number)
{
    const auto* bytes = reinterpret_cast<const std::byte*>(&number);
    return {std::move(name), reg_type::kDword, {bytes, bytes + sizeof(number)}};
}

// The user's remembered choices, none to begin with, and traces of three of the Windows items
// with a default value that a clean must leave.
class OtherItemsWindow : public ::testing::Test {
protected:
    OtherItemsWindow()
    {
        for (KeyForTest* key : {&runBox_, &addressBar_, &searchBox_}) {
            key->SetText(L"", kKeptDefault);
        }
        runBox_.SetText(L"a", L"cmd\\1");
        runBox_.SetText(L"b", L"notepad\\1");
        runBox_.SetText(L"MRUList", L"ba");
        addressBar_.SetText(L"url1", L"C:\\Windows");
        addressBar_.SetText(L"url2", L"C:\\Temp");
        searchBox_.SetText(L"0", L"report");
        searchBox_.SetText(L"MRUListEx", L"0");
    }

    // Of the items checked by default, only the two whose traces the tests follow stay checked.
    void CheckOnlyRunBoxAndAddressBar()
    {
        for (const std::wstring_view id : {L"search-box", L"open-save", L"recent-items"}) {
            choices_.SetDword(id, 0);
        }
    }

    std::unique_ptr<RegistryApi> registry_ = MakeRegistry();
    KeyForTest choices_{*registry_, std::wstring(kItemChoicesKey)};
    KeyForTest runBox_{*registry_, std::wstring(kExplorer) + L"RunMRU"};
    KeyForTest addressBar_{*registry_, std::wstring(kExplorer) + L"TypedPaths"};
    KeyForTest searchBox_{*registry_, std::wstring(kExplorer) + L"WordWheelQuery"};
};

TEST_F(OtherItemsWindow, ItsLayoutTableScalesWithTheScreensDpi)
{
    // Reads the program's windows in physical pixels, not scaled for a test unaware of DPI.
    ::SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    for (const int dpi : {96, 144}) {
        SCOPED_TRACE(::testing::Message() << dpi << " dots per inch");
        const ScreenDpi screen(static_cast<DWORD>(dpi));
        ProgramDriver program;
        auto window = OtherItems::Open(program);
        ASSERT_TRUE(window);
        RECT client{};
        ::GetClientRect(window->Window(), &client);
        EXPECT_EQ(client.right, ::MulDiv(other_items_design::kClientSize.width, dpi, 1440));
        EXPECT_EQ(client.bottom, ::MulDiv(other_items_design::kClientSize.height, dpi, 1440));
        for (const OtherItemsControl& control : kOtherItemsLayout) {
            SCOPED_TRACE(::testing::Message() << "control " << control.controlId);
            const HWND hwnd = window->Control(control.controlId);
            ASSERT_NE(hwnd, nullptr);
            const RECT expected = Pixels(control.rect, dpi);
            const RECT actual = ChildRect(hwnd);
            EXPECT_TRUE(::EqualRect(&actual, &expected));
            if (control.kind == OtherItemsControlKind::kButton) {
                EXPECT_EQ(WindowText(hwnd), std::wstring(control.caption));
            }
        }
        for (const OtherItemsColumnLayout& column : kOtherItemsColumns) {
            EXPECT_EQ(SendTo(window->List(), LVM_GETCOLUMNWIDTH, ColumnIndex(column.column), 0),
                      ::MulDiv(column.width, dpi, 1440))
                << std::wstring(column.header);
        }
        EXPECT_EQ(program.CloseAndWait(), 0u);
    }
}

TEST_F(OtherItemsWindow, OpensFromTheSystemMenuInFrontOfTheMainWindowWhichWaitsForIt)
{
    ProgramDriver program;
    auto window = OtherItems::Open(program);
    ASSERT_TRUE(window);

    EXPECT_EQ(WindowText(window->Window()), L"Nivaro: other items");
    EXPECT_EQ(::GetWindow(window->Window(), GW_OWNER), program.Main());
    EXPECT_FALSE(::IsWindowEnabled(program.Main())) << "the main window takes no input while it is up";
    // Asked again meanwhile, the main window opens no second one inside the first.
    DWORD_PTR ignored = 0;
    EXPECT_NE(::SendMessageTimeoutW(program.Main(), WM_SYSCOMMAND, control_id::kOtherItemsCommand, 0, SMTO_NORMAL,
                                    5000, &ignored),
              0)
        << "the command did not return";
    EXPECT_EQ(OtherItems::CountOpen(program), 1);

    // The built-in Windows items under their group's heading, each with its group and what it
    // forgets; only those that cost the user something beyond a history start clear.
    struct Row {
        std::wstring title;
        bool checked;
    };
    const Row rows[] = {
        {L"Run box history", true},   {L"Explorer address bar", true}, {L"Explorer search box", true},
        {L"Open and Save dialogs", true}, {L"Recent items", true},     {L"Jump lists", false},
        {L"Temporary files", false},
    };
    ASSERT_EQ(window->Rows(), static_cast<int>(std::size(rows)) + 1);
    EXPECT_EQ(window->Cell(0, OtherItemsColumn::kTitle), L"Windows (7)");
    EXPECT_EQ(window->BoxImage(0), 0u) << "a heading has no box";
    for (int row = 1; row < window->Rows(); ++row) {
        SCOPED_TRACE(::testing::Message() << "row " << row);
        const auto item = static_cast<std::size_t>(row - 1);
        EXPECT_EQ(window->Cell(row, OtherItemsColumn::kTitle), rows[item].title);
        EXPECT_EQ(window->IsChecked(row), rows[item].checked);
        EXPECT_EQ(window->Cell(row, OtherItemsColumn::kGroup), L"Windows");
        EXPECT_EQ(window->Cell(row, OtherItemsColumn::kDescription), BuiltinItems()[item].description);
        EXPECT_EQ(window->Cell(row, OtherItemsColumn::kLastClean), L"");
    }
    (void)window->SetChecked(0, true);
    EXPECT_EQ(window->BoxImage(0), 0u) << "a heading cannot be checked";
    EXPECT_FALSE(KeyExists(*registry_, kItemChoicesKey)) << "opening the window remembers nothing";

    ASSERT_TRUE(window->Close());
    EXPECT_TRUE(::IsWindowEnabled(program.Main()));
    EXPECT_TRUE(program.Sync()) << "the program goes on once the window has closed";
    EXPECT_EQ(program.CloseAndWait(), 0u);
}

TEST_F(OtherItemsWindow, EachRowCountsWhatACleanWouldRemoveNowAndPreviewListsTheCheckedItemsTargets)
{
    CheckOnlyRunBoxAndAddressBar();
    ProgramDriver program;
    auto window = OtherItems::Open(program);
    ASSERT_TRUE(window);
    ASSERT_TRUE(window->WaitForPreviews());

    struct Case {
        std::wstring title;
        bool checked;
        std::wstring wouldRemove;
    };
    const Case cases[] = {
        {L"Run box history", true, L"3 to remove"},
        {L"Explorer address bar", true, L"2 to remove"},
        {L"Explorer search box", false, L"2 to remove"},  // counted, though clear
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        const std::optional<int> row = window->Row(c.title);
        ASSERT_TRUE(row);
        EXPECT_EQ(window->IsChecked(*row), c.checked) << "the remembered choice, not the default";
        EXPECT_EQ(window->Cell(*row, OtherItemsColumn::kWouldRemove), c.wouldRemove);
    }

    window->Click(control_id::kOtherItemsPreview);
    // The text is read in two steps, its length and then itself: only the one it ends with is read whole.
    ASSERT_TRUE(program.WaitFor([&] { return window->Targets().starts_with(L"Run box history"); }))
        << "the box says: " << window->Targets();
    ASSERT_TRUE(window->Sync());
    EXPECT_EQ(window->Targets(), L"Run box history: 3 to remove\r\n"
                       L"    remove  a\r\n"
                       L"    remove  b\r\n"
                       L"    remove  MRUList\r\n"
                       L"Explorer address bar: 2 to remove\r\n"
                       L"    remove  url1\r\n"
                       L"    remove  url2");
    EXPECT_EQ(runBox_.Names(), (std::vector<std::wstring>{L"MRUList", L"a", L"b"})) << "a preview removes nothing";
    EXPECT_EQ(addressBar_.Names(), (std::vector<std::wstring>{L"url1", L"url2"}));

    // With nothing checked there is nothing to clean, and nothing to ask.
    for (int row = 0; row < window->Rows(); ++row) {
        if (window->BoxImage(row) != 0) {
            ASSERT_TRUE(window->SetChecked(row, false));
        }
    }
    window->Click(control_id::kOtherItemsClean);
    EXPECT_TRUE(program.WaitFor([&] { return window->Targets() == L"No item is checked."; }))
        << "the box says: " << window->Targets();
    EXPECT_EQ(::GetWindow(window->Window(), GW_ENABLEDPOPUP), nullptr) << "a question was asked";
    EXPECT_EQ(runBox_.Names(), (std::vector<std::wstring>{L"MRUList", L"a", L"b"}));
    EXPECT_EQ(program.CloseAndWait(), 0u) << "closing the program closes its windows";
}

// A name with a NUL would end the box's text there, and one with a line break would forge a line.
TEST_F(OtherItemsWindow, APreviewShowsEveryNameEscapedAndNeverCutsTheListShort)
{
    CheckOnlyRunBoxAndAddressBar();
    runBox_.SetCounted(std::wstring(L"a\0b", 3));
    runBox_.SetText(L"line\nbreak", L"x");
    runBox_.SetText(L"\x1B[31mred", L"x");
    ProgramDriver program;
    auto window = OtherItems::Open(program);
    ASSERT_TRUE(window);
    ASSERT_TRUE(window->WaitForPreviews());

    window->Click(control_id::kOtherItemsPreview);
    ASSERT_TRUE(program.WaitFor([&] { return window->Targets().starts_with(L"Run box history"); }))
        << "the box says: " << window->Targets();
    ASSERT_TRUE(window->Sync());
    const std::wstring box = window->Targets();
    for (const std::wstring_view line :
         {L"    remove  a\\x00b\r\n", L"    remove  line\\x0Abreak\r\n", L"    remove  \\x1B[31mred\r\n",
          L"Explorer address bar: 2 to remove\r\n", L"    remove  url2"}) {
        EXPECT_NE(box.find(line), std::wstring::npos) << ::testing::PrintToString(std::wstring(line)) << " in " << box;
    }
    EXPECT_EQ(box.find(L'\x1B'), std::wstring::npos) << "no control character reaches the box raw";
    EXPECT_EQ(program.CloseAndWait(), 0u);
}

TEST_F(OtherItemsWindow, CleanAsksThenRemovesTheCheckedItemsValuesAndLeavesTheirKeys)
{
    CheckOnlyRunBoxAndAddressBar();
    const std::vector<RawValue> searchBoxBefore = searchBox_.Values();
    ProgramDriver program;
    auto window = OtherItems::Open(program);
    ASSERT_TRUE(window);

    ASSERT_TRUE(window->Clean(IDNO));
    EXPECT_EQ(runBox_.Names(), (std::vector<std::wstring>{L"MRUList", L"a", L"b"})) << "No cleans nothing";
    EXPECT_EQ(window->Cell(L"Run box history", OtherItemsColumn::kLastClean), L"");

    ASSERT_TRUE(window->Clean(IDYES));
    struct Case {
        std::wstring title;
        const KeyForTest& key;
        std::wstring lastClean;
        std::vector<std::wstring> namesAfter;
    };
    const Case cases[] = {
        {L"Run box history", runBox_, L"3 removed", {}},
        {L"Explorer address bar", addressBar_, L"2 removed", {}},
        {L"Explorer search box", searchBox_, L"", {L"0", L"MRUListEx"}},  // clear: not run
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        EXPECT_EQ(window->Cell(c.title, OtherItemsColumn::kLastClean), c.lastClean);
        EXPECT_EQ(c.key.Names(), c.namesAfter);
        EXPECT_EQ(c.key.Default(), kKeptDefault) << "the key and its default value stay";
    }
    EXPECT_EQ(searchBox_.Values(), searchBoxBefore);

    // Worked out again after the clean: the counts of before it no longer hold.
    ASSERT_TRUE(window->WaitForPreviews());
    EXPECT_EQ(window->Cell(L"Run box history", OtherItemsColumn::kWouldRemove), L"Nothing to remove");
    EXPECT_EQ(window->Cell(L"Explorer search box", OtherItemsColumn::kWouldRemove), L"2 to remove");
    ASSERT_TRUE(window->Close());
    EXPECT_EQ(program.CloseAndWait(), 0u);
}

TEST_F(OtherItemsWindow, TheCheckedStateIsRememberedForTheNextRun)
{
    struct Change {
        std::wstring title;
        std::wstring id;
        bool checked;
    };
    const Change changes[] = {
        {L"Run box history", L"run-box", false},
        {L"Jump lists", L"jump-lists", true},
    };
    {
        ProgramDriver program;
        auto window = OtherItems::Open(program);
        ASSERT_TRUE(window);
        std::vector<RawValue> expected;
        for (const Change& change : changes) {
            const std::optional<int> row = window->Row(change.title);
            ASSERT_TRUE(row) << change.title;
            ASSERT_TRUE(window->SetChecked(*row, change.checked));
            expected.push_back(Dword(change.id, change.checked ? 1 : 0));
        }
        std::vector<RawValue> stored = choices_.Values();
        std::ranges::sort(stored, {}, &RawValue::name);
        std::ranges::sort(expected, {}, &RawValue::name);
        EXPECT_EQ(stored, expected) << "one DWORD for each change, at once, and nothing else";
        ASSERT_TRUE(window->Close());
        EXPECT_EQ(program.CloseAndWait(), 0u);
    }

    ProgramDriver program;
    auto window = OtherItems::Open(program);
    ASSERT_TRUE(window);
    for (const Change& change : changes) {
        EXPECT_EQ(window->IsChecked(window->Row(change.title).value_or(-1)), change.checked) << change.title;
    }
    EXPECT_TRUE(window->IsChecked(window->Row(L"Explorer address bar").value_or(-1))) << "left alone: its default";
    EXPECT_FALSE(window->IsChecked(window->Row(L"Temporary files").value_or(-1))) << "left alone: its default";
    EXPECT_EQ(program.CloseAndWait(), 0u);
}

// None of the built-in items checked: the tests below follow the user's own.
void ClearTheBuiltInItems(KeyForTest& choices)
{
    for (const ItemDefinition& item : BuiltinItems()) {
        choices.SetDword(std::wstring(item.id.begin(), item.id.end()), 0);
    }
}

TEST_F(OtherItemsWindow, YourItemsAreGroupedByTheirSectionStartClearAndTheFilterNarrowsThem)
{
    ClearTheBuiltInItems(choices_);
    const UserItemsFile items("[Zed Player *]\r\n"
                              "LangSecRef=3023\r\n"
                              "RegKey1=HKCU\\Software\\NivaroTest\\Zed|v\r\n"
                              "[Arc Cache *]\r\n"
                              "Section=Browsers\r\n"
                              "Default=True\r\n"
                              "Warning=Arc forgets its open tabs.\r\n"
                              "RegKey1=HKCU\\Software\\NivaroTest\\Arc|v\r\n"
                              "[Bee Cache *]\r\n"
                              "Section=Browsers\r\n"
                              "RegKey1=HKCU\\Software\\NivaroTest\\Bee|v\r\n"
                              "[Broken *]\r\n"
                              "FileKey1=%Nowhere%\\X|*.log\r\n");
    ASSERT_TRUE(items.Written());
    ProgramDriver program;
    auto window = OtherItems::Open(program);
    ASSERT_TRUE(window);

    const std::vector<std::wstring> every{
        L"Windows (7)",   L"  Run box history", L"  Explorer address bar", L"  Explorer search box",
        L"  Open and Save dialogs", L"  Recent items", L"  Jump lists", L"  Temporary files",
        L"Browsers (2)",  L"  Arc Cache", L"  Bee Cache", L"Multimedia (1)", L"  Zed Player"};
    EXPECT_EQ(window->Shown(), every);
    EXPECT_TRUE(window->IsChecked(9)) << "its section says Default=True";
    EXPECT_FALSE(window->IsChecked(10)) << "an imported entry starts clear";
    EXPECT_FALSE(window->IsChecked(12));
    EXPECT_NE(window->Targets().find(L"line 13: unknown variable %Nowhere%"), std::wstring::npos)
        << "the refused lines are shown: " << window->Targets();

    ASSERT_TRUE(window->SetFilter(L"CACHE"));
    EXPECT_EQ(window->Shown(), (std::vector<std::wstring>{L"Browsers (2)", L"  Arc Cache", L"  Bee Cache"}));
    ASSERT_TRUE(window->SetChecked(2, true));
    ASSERT_TRUE(window->SetFilter(L"multimedia"));
    EXPECT_EQ(window->Shown(), (std::vector<std::wstring>{L"Multimedia (1)", L"  Zed Player"}));
    ASSERT_TRUE(window->SetFilter(L""));
    EXPECT_EQ(window->Shown(), every);
    EXPECT_TRUE(window->IsChecked(9));
    EXPECT_TRUE(window->IsChecked(10)) << "checked while the filter hid the rest";

    // The question before the clean names the warned item and its warning.
    window->Click(control_id::kOtherItemsClean);
    const std::optional<HWND> question = window->WaitForBox();
    ASSERT_TRUE(question);
    EXPECT_EQ(MessageBoxText(*question), L"This action is permanent! Are you sure to clean?\n\n"
                                         L"Their authors warn:\nArc Cache: Arc forgets its open tabs.");
    window->Answer(*question, IDNO);
    EXPECT_EQ(program.CloseAndWait(), 0u);
}

TEST_F(OtherItemsWindow, OnlyTheRowsOnScreenAndTheCheckedOnesAreCounted)
{
    ClearTheBuiltInItems(choices_);
    std::string text;
    for (int i = 0; i < 120; ++i) {
        const std::string n = std::to_string(1000 + i);
        text += "[Entry " + n + " *]\r\nSection=Many\r\nRegKey1=HKCU\\Software\\NivaroTest\\None" + n + "|v\r\n";
    }
    const UserItemsFile items(text);
    ASSERT_TRUE(items.Written());
    ProgramDriver program;
    auto window = OtherItems::Open(program);
    ASSERT_TRUE(window);
    ASSERT_EQ(window->Rows(), 8 + 1 + 120);
    const int last = window->Rows() - 1;
    ASSERT_LT(window->TopRow() + window->RowsPerPage(), last) << "the last row is off screen";

    // Everything on screen is counted; the window is then idle, and the last row never was.
    const auto onScreenCounted = [&] {
        for (int row = window->TopRow(); row <= window->TopRow() + window->RowsPerPage() && row <= last; ++row) {
            if (window->Cell(row, OtherItemsColumn::kWouldRemove).starts_with(L"Counting")) {
                return false;
            }
        }
        return true;
    };
    ASSERT_TRUE(program.WaitFor(onScreenCounted));
    ASSERT_TRUE(window->Sync());
    EXPECT_EQ(window->Cell(last, OtherItemsColumn::kWouldRemove), L"Counting...");
    EXPECT_EQ(window->Cell(last - 1, OtherItemsColumn::kWouldRemove), L"Counting...");

    ASSERT_TRUE(window->SetChecked(last - 1, true));  // checked: counted though off screen
    EXPECT_TRUE(program.WaitFor([&] { return window->Cell(last - 1, OtherItemsColumn::kWouldRemove) == L"Nothing to remove"; }));
    window->ScrollTo(last);  // on screen: counted
    EXPECT_TRUE(program.WaitFor([&] { return window->Cell(last, OtherItemsColumn::kWouldRemove) == L"Nothing to remove"; }));
    EXPECT_EQ(program.CloseAndWait(), 0u);
}

TEST_F(OtherItemsWindow, EachBoxIsNamedByTheLabelBeforeItWhoseAccessKeyReachesIt)
{
    ProgramDriver program;
    auto window = OtherItems::Open(program);
    ASSERT_TRUE(window);
    // Last to first: each access key takes the keyboard away from the box the one before gave it to.
    for (std::size_t i = kOtherItemsLayout.size() - 1; i > 0; --i) {
        const OtherItemsControl& control = kOtherItemsLayout[i];
        const OtherItemsControl& before = kOtherItemsLayout[i - 1];
        if (control.kind == OtherItemsControlKind::kLabel || control.kind == OtherItemsControlKind::kButton) {
            continue;
        }
        SCOPED_TRACE(::testing::Message() << "control " << control.controlId);
        const HWND box = window->Control(control.controlId);
        ASSERT_EQ(before.kind, OtherItemsControlKind::kLabel);
        const HWND label = ::GetWindow(box, GW_HWNDPREV);
        EXPECT_EQ(label, window->Control(before.controlId)) << "the label comes just before its box";
        EXPECT_EQ(ClassName(label), L"Static");
        EXPECT_EQ(WindowText(label), std::wstring(before.caption));
        EXPECT_TRUE(::GetWindowLongW(box, GWL_STYLE) & WS_TABSTOP) << "Tab reaches it";

        // Alt and the label's access key take the keyboard to its box.
        const wchar_t key = before.caption[before.caption.find(L'&') + 1];
        ::PostMessageW(window->Focus(), WM_SYSCHAR, static_cast<WPARAM>(std::towlower(key)), 1 << 29);
        EXPECT_TRUE(program.WaitFor([&] { return window->Focus() == box; }));
    }
    EXPECT_EQ(program.CloseAndWait(), 0u);
}

TEST_F(OtherItemsWindow, AWindowCloseDuringACleanWaitsForTheCleanToEnd)
{
    // One of the user's own items, with enough values to catch its clean under way.
    constexpr int kValues = 20000;
    KeyForTest many(*registry_, L"Software\\NivaroTest\\ManyValues");
    many.SetMany(kValues);
    const UserItemsFile items("[Many values *]\r\nDefault=True\r\nRegKey1=HKCU\\Software\\NivaroTest\\ManyValues\r\n");
    ASSERT_TRUE(items.Written());
    CheckOnlyRunBoxAndAddressBar();
    ProgramDriver program;
    auto window = OtherItems::Open(program);
    ASSERT_TRUE(window);
    const std::optional<int> row = window->Row(L"Many values");
    ASSERT_TRUE(row) << "the user's item is among the other items";
    EXPECT_EQ(window->Cell(*row, OtherItemsColumn::kGroup), L"Your items");
    ASSERT_TRUE(window->IsChecked(*row));

    window->Click(control_id::kOtherItemsClean);
    const std::optional<HWND> question = window->WaitForBox();
    ASSERT_TRUE(question);
    window->Answer(*question, IDYES);
    ASSERT_TRUE(program.WaitFor([&] { return window->Cell(*row, OtherItemsColumn::kLastClean) == L"Cleaning..."; }));
    // The window answers while the clean runs, with its buttons out of use.
    for (const int button :
         {control_id::kOtherItemsPreview, control_id::kOtherItemsClean, control_id::kOtherItemsClose}) {
        EXPECT_FALSE(::IsWindowEnabled(window->Control(button))) << button;
    }
    ::PostMessageW(window->Window(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(window->Sync());
    EXPECT_EQ(window->Cell(*row, OtherItemsColumn::kLastClean), L"Cleaning...") << "the clean goes on after the close";

    EXPECT_TRUE(program.WaitFor([&] { return !::IsWindow(window->Window()); }))
        << "the window goes once the clean has ended";
    // Named without a value, the key goes whole once its values are handled.
    EXPECT_EQ(many.Names(), std::vector<std::wstring>{L"<no key>"}) << "every value was handled";
    EXPECT_EQ(runBox_.Names(), std::vector<std::wstring>{});
    EXPECT_TRUE(::IsWindowEnabled(program.Main()));
    EXPECT_EQ(program.CloseAndWait(), 0u);
}

}  // namespace
}  // namespace nivaro::win32::testing
