#include "ui/win32/items_window.h"

#include <commctrl.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "items/item_engine.h"
#include "main/items_window_layout.h"
#include "main/item_preview.h"
#include "main/preview_worker.h"
#include "platform/backend.h"
#include "platform/run_pace.h"
#include "ui/win32/base_window.h"
#include "ui/win32/message_pump.h"
#include "ui/win32/scale.h"
#include "platform/win32/unique_handles.h"
#include "platform/win32/win32_error.h"

namespace nivaro::win32 {
namespace {

constexpr wchar_t kClassName[] = L"NivaroItemsWindow";
// The worker's word that previews are ready.
constexpr UINT kPreviewsReady = WM_APP + 1;
// While a preview is worked out, its row shows the count so far, renewed this often.
constexpr UINT_PTR kCountingTimer = 1;
constexpr UINT kCountingMilliseconds = 250;
// Fixed in size like the main window; a dialog's frame, since it stands in front of it.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;

constexpr int kButtons[] = {control_id::kOtherItemsPreview, control_id::kOtherItemsClean, control_id::kOtherItemsClose};

template <class Range, class Value>
bool Contains(const Range& range, const Value& value)
{
    return std::ranges::find(range, value) != std::ranges::end(range);
}

bool IsPushButton(int controlId)
{
    return Contains(kButtons, controlId);
}

// State image 1 is the clear box, 2 the checked one; 0 is none, as a row is being inserted.
constexpr UINT kClearImage = 1;
constexpr UINT kCheckedImage = 2;

UINT CheckImage(UINT state)
{
    return (state & LVIS_STATEIMAGEMASK) >> 12;
}

// A row's "Would remove now": the counts only, on one line; the box lists the names.
std::wstring WouldRemoveText(const PreviewWorker::Outcome& outcome, const CountFormat& count)
{
    using namespace other_items_text;
    if (outcome.cannotRun) {
        return std::wstring(kCannotRun) + outcome.tip;
    }
    if (outcome.toRemove == 0) {
        std::wstring text(kNothingToRemove);
        if (outcome.toLeave > 0) {
            text += L"; " + count(outcome.toLeave) + std::wstring(kToLeave);
        }
        return text;
    }
    std::wstring text = count(outcome.toRemove) + std::wstring(kToRemove);
    if (outcome.toLeave > 0) {
        text += L", " + count(outcome.toLeave) + std::wstring(kToLeave);
    }
    return text;
}

// A row's "Last clean": what went, what stayed, and why nothing could be done when a part of the
// item could not run.
std::wstring CleanedText(const ItemPlan& plan, std::size_t removed, const CountFormat& count)
{
    using namespace other_items_text;
    if (plan.problem && plan.targets.empty()) {
        return std::wstring(kCannotRun) + plan.problem->description;
    }
    std::wstring text = count(removed) + std::wstring(kRemoved);
    if (const std::size_t stayed = plan.targets.size() - removed; stayed > 0) {
        text += L", " + count(stayed) + std::wstring(kStayed);
    }
    if (plan.problem) {
        text += L"; " + plan.problem->description;
    }
    return text;
}

class ItemsWindow final : public BaseWindow<ItemsWindow> {
public:
    static Result<std::unique_ptr<ItemsWindow>> Create(HWND owner, std::vector<ItemDefinition> items,
                                                       const PlatformServices& services, ItemChoices& choices);
    ~ItemsWindow();

    // Centres the window over its owner and shows it.
    void Show();
    // Lines shown where the targets are listed, until a preview lists them.
    void ShowNotice(std::wstring_view lines) { SetTargets(lines); }
    // Runs the thread's messages until the window has gone. A quit message ends the loop and is
    // put back for the owner's loop.
    void RunModal();

    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

private:
    struct Row {
        ItemDefinition definition;
        std::optional<PreviewWorker::Outcome> outcome;  // the latest preview
    };
    // Lets this window's events through while a clean runs, at most once a frame.
    class CleanPace final : public RunPace {
    public:
        explicit CleanPace(ItemsWindow& window) : window_(window) {}
        bool Continue() override
        {
            window_.pump_.Pump(window_.hwnd_);
            return true;  // a close waits for the clean to end
        }

    private:
        ItemsWindow& window_;
    };

    ItemsWindow(HWND owner, std::vector<ItemDefinition> items, const PlatformServices& services, ItemChoices& choices);

    Result<> CreateControls();
    void FillChecklist();
    void MakeFont();
    void Arrange();
    SIZE WindowSizeFor(const Scale& scale) const;
    HWND Control(int id) const { return ::GetDlgItem(hwnd_, id); }
    HWND List() const { return Control(control_id::kOtherItemsList); }
    CountFormat Count() const;

    void SetCell(std::size_t row, OtherItemsColumn column, const std::wstring& text);
    void SetTargets(std::wstring_view text);
    std::vector<std::size_t> CheckedRows() const;
    LRESULT OnNotify(NMHDR& header);
    void OnItemChanged(const NMLISTVIEW& change);

    // Works out every row's preview again, one after another.
    void PreviewAll();
    // Puts these rows first in the line of previews, stopping one under way for another row.
    void PreviewFirst(const std::vector<std::size_t>& rows);
    void RequestNextPreview();
    void OnPreviewsReady();
    void ShowCounting();
    void StopPreviews();
    void ShowTargets();

    void OnCommand(int id);
    void Preview();
    void Clean();
    void SetBusy(bool busy);
    void Close();

    HWND owner_;
    std::vector<Row> rows_;
    PlatformServices services_;
    ItemChoices& choices_;
    Scale scale_{USER_DEFAULT_SCREEN_DPI};
    UniqueFont font_;
    UniqueBrush background_;
    UniqueBrush targetsBackground_;
    PacedPump pump_;
    bool filling_ = false;  // check boxes set by the window, not by the user
    bool busy_ = false;     // a clean runs, or its question is up
    bool closeRequested_ = false;
    HWND focusBeforeClean_ = nullptr;
    HWND focusOnReturn_ = nullptr;  // the control that had the keyboard when the window was left
    std::deque<std::size_t> queue_;                 // rows waiting for a preview, in turn
    std::optional<std::size_t> asked_;              // the row the worker is on
    std::vector<std::size_t> previewRows_;          // the rows the box lists
    std::optional<std::set<std::size_t>> awaited_;  // of those, the ones still worked out for the box
    std::unique_ptr<PreviewWorker> previews_;       // last: its thread stops before the rest goes
};

ItemsWindow::ItemsWindow(HWND owner, std::vector<ItemDefinition> items, const PlatformServices& services,
                         ItemChoices& choices)
    : owner_(owner), services_(services), choices_(choices)
{
    for (ItemDefinition& item : items) {
        rows_.push_back({std::move(item), std::nullopt});
    }
}

ItemsWindow::~ItemsWindow()
{
    previews_.reset();
    if (hwnd_ != nullptr) {
        ::EnableWindow(owner_, TRUE);
        ::DestroyWindow(hwnd_);
    }
}

Result<std::unique_ptr<ItemsWindow>> ItemsWindow::Create(HWND owner, std::vector<ItemDefinition> items,
                                                         const PlatformServices& services, ItemChoices& choices)
{
    if (RegisterWindowClass(kClassName) == 0) {
        return std::unexpected(LastError());
    }

    std::unique_ptr<ItemsWindow> window(new ItemsWindow(owner, std::move(items), services, choices));
    window->background_.reset(::CreateSolidBrush(ToColorref(other_items_design::kBackground)));
    window->targetsBackground_.reset(::CreateSolidBrush(ToColorref(other_items_design::kTargetsBackground)));
    if (::CreateWindowExW(kExStyle, kClassName, std::wstring(other_items_design::kCaption).c_str(), kStyle,
                          CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, owner, nullptr, Instance(), window.get()) == nullptr) {
        return std::unexpected(LastError());
    }
    window->scale_ = Scale(::GetDpiForWindow(window->hwnd_));
    window->MakeFont();
    if (auto created = window->CreateControls(); !created) {
        return std::unexpected(created.error());
    }
    window->FillChecklist();
    window->PreviewAll();
    return window;
}

void ItemsWindow::MakeFont()
{
    font_ = scale_.Font(other_items_design::kFont);
}

Result<> ItemsWindow::CreateControls()
{
    // Created in the table's order, which is the tab order: the dialog keys follow z-order.
    for (const OtherItemsControl& control : kOtherItemsLayout) {
        const auto id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.controlId));
        HWND hwnd = nullptr;
        switch (control.kind) {
        case OtherItemsControlKind::kChecklist:
            hwnd = ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                                     WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL |
                                         LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
                                     0, 0, 0, 0, hwnd_, id, Instance(), nullptr);
            break;
        case OtherItemsControlKind::kTargets:
            hwnd = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", std::wstring(other_items_text::kTargetsHint).c_str(),
                                     WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                                         ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL,
                                     0, 0, 0, 0, hwnd_, id, Instance(), nullptr);
            break;
        case OtherItemsControlKind::kButton:
            hwnd = ::CreateWindowExW(0, L"BUTTON", std::wstring(control.caption).c_str(),
                                     WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0, 0, hwnd_, id,
                                     Instance(), nullptr);
            break;
        }
        if (hwnd == nullptr) {
            return std::unexpected(LastError());
        }
    }

    const HWND list = List();
    ::SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                   LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP | LVS_EX_DOUBLEBUFFER);
    for (const OtherItemsColumnLayout& column : kOtherItemsColumns) {
        std::wstring header(column.header);
        LVCOLUMNW lvColumn{};
        lvColumn.mask = LVCF_TEXT | LVCF_WIDTH;
        lvColumn.pszText = header.data();
        lvColumn.cx = scale_.Pixels(column.width);
        ::SendMessageW(list, LVM_INSERTCOLUMNW, ColumnIndex(column.column), reinterpret_cast<LPARAM>(&lvColumn));
    }
    // A preview of a large folder lists many lines; the box's own limit is for typing.
    ::SendDlgItemMessageW(hwnd_, control_id::kOtherItemsTargets, EM_SETLIMITTEXT, 0, 0);

    previews_ = std::make_unique<PreviewWorker>([] { return std::make_unique<BackendServices>(); },
                                                [window = hwnd_] { ::PostMessageW(window, kPreviewsReady, 0, 0); });
    Arrange();
    return {};
}

void ItemsWindow::FillChecklist()
{
    filling_ = true;
    const HWND list = List();
    const std::wstring counting = CountingTip(0, Count());
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        const ItemDefinition& item = rows_[row].definition;
        std::wstring title = item.title;
        LVITEMW lvItem{};
        lvItem.mask = LVIF_TEXT;
        lvItem.iItem = static_cast<int>(row);
        lvItem.pszText = title.data();
        ::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&lvItem));
        SetCell(row, OtherItemsColumn::kGroup, item.group);
        SetCell(row, OtherItemsColumn::kWouldRemove, counting);
        SetCell(row, OtherItemsColumn::kDescription, item.description);
        ListView_SetItemState(list, static_cast<int>(row),
                              INDEXTOSTATEIMAGEMASK(choices_.IsChecked(item) ? kCheckedImage : kClearImage),
                              LVIS_STATEIMAGEMASK);
    }
    // The keyboard starts on the first row: Space checks it.
    ListView_SetItemState(list, 0, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
    filling_ = false;
}

void ItemsWindow::Arrange()
{
    for (const OtherItemsControl& control : kOtherItemsLayout) {
        const HWND hwnd = Control(control.controlId);
        const RECT place = scale_.Rect(control.rect);
        ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        ::SetWindowPos(hwnd, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    for (const OtherItemsColumnLayout& column : kOtherItemsColumns) {
        ::SendMessageW(List(), LVM_SETCOLUMNWIDTH, ColumnIndex(column.column), scale_.Pixels(column.width));
    }
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

SIZE ItemsWindow::WindowSizeFor(const Scale& scale) const
{
    RECT frame{0, 0, scale.Pixels(other_items_design::kClientSize.width),
               scale.Pixels(other_items_design::kClientSize.height)};
    ::AdjustWindowRectExForDpi(&frame, kStyle, FALSE, kExStyle, scale.Dpi());
    return {frame.right - frame.left, frame.bottom - frame.top};
}

CountFormat ItemsWindow::Count() const
{
    return [environment = &services_.environment](std::uint64_t n) { return environment->GroupedCount(n); };
}

void ItemsWindow::Show()
{
    RECT ownerRect{};
    ::GetWindowRect(owner_, &ownerRect);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(owner_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    const SIZE size = WindowSizeFor(scale_);
    // Over the middle of the owner, and whole on its screen.
    const auto place = [](LONG from, LONG to, LONG low, LONG high, LONG extent) {
        return std::clamp((from + to - extent) / 2, low, std::max(low, high - extent));
    };
    const int left = place(ownerRect.left, ownerRect.right, work.left, work.right, size.cx);
    const int top = place(ownerRect.top, ownerRect.bottom, work.top, work.bottom, size.cy);
    ::SetWindowPos(hwnd_, nullptr, left, top, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    ::ShowWindow(hwnd_, SW_SHOWNORMAL);
    ::UpdateWindow(hwnd_);
    ::SetFocus(List());
}

void ItemsWindow::RunModal()
{
    MSG message{};
    while (hwnd_ != nullptr) {
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (got < 0) {
            return;
        }
        DispatchForWindow(hwnd_, message);
    }
}

void ItemsWindow::SetCell(std::size_t row, OtherItemsColumn column, const std::wstring& text)
{
    std::wstring copy = text;
    LVITEMW lvItem{};
    lvItem.iSubItem = ColumnIndex(column);
    lvItem.pszText = copy.data();
    ::SendMessageW(List(), LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&lvItem));
    // Screen readers, and anything else that watches, learn that the row says something new.
    ::NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, List(), OBJID_CLIENT, static_cast<LONG>(row + 1));
}

void ItemsWindow::SetTargets(std::wstring_view text)
{
    const HWND box = Control(control_id::kOtherItemsTargets);
    ::SetWindowTextW(box, std::wstring(text).c_str());
    ::NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, box, OBJID_CLIENT, CHILDID_SELF);
}

std::vector<std::size_t> ItemsWindow::CheckedRows() const
{
    std::vector<std::size_t> rows;
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        const auto state = static_cast<UINT>(::SendMessageW(List(), LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK));
        if (CheckImage(state) == kCheckedImage) {
            rows.push_back(row);
        }
    }
    return rows;
}

LRESULT ItemsWindow::OnNotify(NMHDR& header)
{
    if (header.hwndFrom != List()) {
        return 0;
    }
    switch (header.code) {
    case LVN_ITEMCHANGED:
        OnItemChanged(reinterpret_cast<const NMLISTVIEW&>(header));
        return 0;
    case LVN_GETINFOTIPW: {
        auto& tip = reinterpret_cast<NMLVGETINFOTIPW&>(header);
        if (tip.iItem >= 0 && static_cast<std::size_t>(tip.iItem) < rows_.size() && tip.cchTextMax > 0) {
            ::lstrcpynW(tip.pszText, rows_[static_cast<std::size_t>(tip.iItem)].definition.description.c_str(),
                        tip.cchTextMax);
        }
        return 0;
    }
    default:
        return 0;
    }
}

void ItemsWindow::OnItemChanged(const NMLISTVIEW& change)
{
    if (filling_ || change.iItem < 0 || static_cast<std::size_t>(change.iItem) >= rows_.size() ||
        (change.uChanged & LVIF_STATE) == 0) {
        return;
    }
    const UINT before = CheckImage(change.uOldState);
    const UINT after = CheckImage(change.uNewState);
    if (before == after || (before != kClearImage && before != kCheckedImage) ||
        (after != kClearImage && after != kCheckedImage)) {
        return;
    }
    // Remembered at once: the choice outlives a window closed any way at all. One the registry
    // refuses still holds for as long as the window is open.
    (void)choices_.SetChecked(rows_[static_cast<std::size_t>(change.iItem)].definition, after == kCheckedImage);
}

void ItemsWindow::PreviewAll()
{
    std::vector<std::size_t> all(rows_.size());
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        all[row] = row;
    }
    queue_.assign(all.begin(), all.end());
    RequestNextPreview();
}

void ItemsWindow::PreviewFirst(const std::vector<std::size_t>& rows)
{
    std::deque<std::size_t> next(rows.begin(), rows.end());
    for (const std::size_t row : queue_) {
        if (!Contains(rows, row)) {
            next.push_back(row);
        }
    }
    if (asked_ && Contains(rows, *asked_)) {
        std::erase(next, *asked_);  // under way already
    } else if (asked_) {
        // Requesting another row stops this one, which gives no outcome: it waits its turn again.
        next.push_back(*asked_);
        asked_.reset();
    }
    queue_ = std::move(next);
    RequestNextPreview();
}

void ItemsWindow::RequestNextPreview()
{
    // One at a time: a request for another row would stop the one under way.
    if (asked_) {
        return;
    }
    if (queue_.empty()) {
        ::KillTimer(hwnd_, kCountingTimer);
        return;
    }
    asked_ = queue_.front();
    queue_.pop_front();
    previews_->Request(*asked_, rows_[*asked_].definition);
    ::SetTimer(hwnd_, kCountingTimer, kCountingMilliseconds, nullptr);
}

void ItemsWindow::OnPreviewsReady()
{
    const CountFormat count = Count();
    for (PreviewWorker::Outcome& outcome : previews_->TakeOutcomes()) {
        const std::size_t row = outcome.item;
        if (row >= rows_.size()) {
            continue;
        }
        SetCell(row, OtherItemsColumn::kWouldRemove, WouldRemoveText(outcome, count));
        if (asked_ == row) {
            asked_.reset();
        }
        if (awaited_) {
            awaited_->erase(row);
        }
        rows_[row].outcome = std::move(outcome);
    }
    if (awaited_ && awaited_->empty()) {
        awaited_.reset();
        ShowTargets();
    }
    RequestNextPreview();
}

void ItemsWindow::ShowCounting()
{
    const auto running = previews_->Running();
    if (asked_ && running && running->first == *asked_) {
        SetCell(*asked_, OtherItemsColumn::kWouldRemove, CountingTip(running->second, Count()));
    }
}

void ItemsWindow::StopPreviews()
{
    previews_->StopAndWait();
    (void)previews_->TakeOutcomes();
    ::KillTimer(hwnd_, kCountingTimer);
    queue_.clear();
    asked_.reset();
    awaited_.reset();
}

// Each previewed item on a line of its own with its counts, and its targets under it.
void ItemsWindow::ShowTargets()
{
    using namespace other_items_text;
    const CountFormat count = Count();
    std::wstring text;
    for (const std::size_t row : previewRows_) {
        const Row& shown = rows_[row];
        if (!text.empty()) {
            text += L"\r\n";
        }
        text += shown.definition.title;
        if (!shown.outcome) {
            continue;
        }
        text += L": " + WouldRemoveText(*shown.outcome, count);
        for (const std::wstring& line : shown.outcome->lines) {
            text += L"\r\n" + std::wstring(kTargetIndent) + line;
        }
    }
    SetTargets(text);
}

void ItemsWindow::Preview()
{
    if (busy_) {
        return;
    }
    previewRows_ = CheckedRows();
    if (previewRows_.empty()) {
        awaited_.reset();
        SetTargets(other_items_text::kNothingChecked);
        return;
    }
    // Worked out afresh: what was there when the window opened may have gone since.
    awaited_.emplace(previewRows_.begin(), previewRows_.end());
    SetTargets(other_items_text::kWorkingOut);
    PreviewFirst(previewRows_);
}

void ItemsWindow::Clean()
{
    if (busy_) {
        return;
    }
    if (CheckedRows().empty()) {
        SetTargets(other_items_text::kNothingChecked);
        return;
    }
    SetBusy(true);
    const int answer = ::MessageBoxW(hwnd_, std::wstring(other_items_text::kCleanQuestion).c_str(),
                                     std::wstring(other_items_text::kCleanTitle).c_str(), MB_YESNO | MB_ICONQUESTION);
    if (answer != IDYES) {
        SetBusy(false);
        if (closeRequested_) {
            Close();
        }
        return;
    }
    // No preview may read what the clean deletes under it, and none from before it holds after it.
    StopPreviews();
    SetTargets(other_items_text::kTargetsHint);
    const std::vector<std::size_t> rows = CheckedRows();
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        SetCell(row, OtherItemsColumn::kLastClean, std::wstring());
    }
    const CountFormat count = Count();
    for (const std::size_t row : rows) {
        SetCell(row, OtherItemsColumn::kLastClean, std::wstring(other_items_text::kCleaning));
        CleanPace pace(*this);
        ItemPlan plan = PlanItem(services_, rows_[row].definition, Foresight::kListOnly, pace);
        const std::size_t removed = CarryItem(services_, plan, pace);
        SetCell(row, OtherItemsColumn::kLastClean, CleanedText(plan, removed, count));
    }
    SetBusy(false);
    if (hwnd_ == nullptr) {
        return;  // the owner went, and took this window with it
    }
    if (closeRequested_) {
        Close();
        return;
    }
    const std::wstring counting = CountingTip(0, count);
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        rows_[row].outcome.reset();
        SetCell(row, OtherItemsColumn::kWouldRemove, counting);
    }
    PreviewAll();
}

void ItemsWindow::SetBusy(bool busy)
{
    busy_ = busy;
    if (busy) {
        focusBeforeClean_ = ::GetFocus();
    }
    for (const int id : kButtons) {
        ::EnableWindow(Control(id), busy ? FALSE : TRUE);
    }
    // A disabled button keeps the focus and with it the keyboard; give it back once it is usable.
    if (!busy && focusBeforeClean_ != nullptr && IsPushButton(::GetDlgCtrlID(focusBeforeClean_)) &&
        ::GetParent(focusBeforeClean_) == hwnd_) {
        ::SetFocus(focusBeforeClean_);
    }
}

void ItemsWindow::Close()
{
    // A clean that lets events through may see the close; its rows must outlive it.
    if (busy_) {
        closeRequested_ = true;
        return;
    }
    if (hwnd_ == nullptr) {
        return;
    }
    StopPreviews();
    // The owner takes input again before this window goes, so that it is the one activated.
    ::EnableWindow(owner_, TRUE);
    ::DestroyWindow(hwnd_);
}

void ItemsWindow::OnCommand(int id)
{
    switch (id) {
    case control_id::kOtherItemsPreview:
        Preview();
        break;
    case control_id::kOtherItemsClean:
        Clean();
        break;
    case control_id::kOtherItemsClose:
    case IDCANCEL:  // Escape
        Close();
        break;
    default:
        break;
    }
}

LRESULT ItemsWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wparam) == BN_CLICKED) {
            OnCommand(LOWORD(wparam));
        }
        return 0;
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<NMHDR*>(lparam));
    case DM_GETDEFID: {
        // Enter presses the push button that has the focus, as on any dialog.
        const int focused = ::GetDlgCtrlID(::GetFocus());
        return IsPushButton(focused) ? MAKELRESULT(focused, DC_HASDEFID) : 0;
    }
    case WM_CTLCOLORSTATIC:
        // The read-only box of targets asks here too.
        if (reinterpret_cast<HWND>(lparam) == Control(control_id::kOtherItemsTargets)) {
            ::SetBkColor(reinterpret_cast<HDC>(wparam), ToColorref(other_items_design::kTargetsBackground));
            return reinterpret_cast<LRESULT>(targetsBackground_.get());
        }
        [[fallthrough]];
    case WM_CTLCOLORBTN:
        ::SetBkColor(reinterpret_cast<HDC>(wparam), ToColorref(other_items_design::kBackground));
        return reinterpret_cast<LRESULT>(background_.get());
    case WM_ERASEBKGND:
        return FillClientBackground(hwnd_, reinterpret_cast<HDC>(wparam), background_.get());
    case WM_DPICHANGED: {
        scale_ = Scale(LOWORD(wparam));
        MakeFont();
        Arrange();
        MoveToSuggestedPlace(hwnd_, *reinterpret_cast<const RECT*>(lparam), WindowSizeFor(scale_));
        return 0;
    }
    case kPreviewsReady:
        OnPreviewsReady();
        return 0;
    case WM_TIMER:
        if (wparam == kCountingTimer) {
            ShowCounting();
        }
        return 0;
    case WM_ACTIVATE:
        // The keyboard comes back to the control that had it, as on a dialog.
        if (LOWORD(wparam) == WA_INACTIVE) {
            const HWND focus = ::GetFocus();
            focusOnReturn_ = focus != nullptr && ::IsChild(hwnd_, focus) ? focus : nullptr;
        } else {
            ::SetFocus(focusOnReturn_ != nullptr && ::IsWindowEnabled(focusOnReturn_) ? focusOnReturn_ : List());
        }
        return 0;
    case WM_CLOSE:
        Close();
        return 0;
    default:
        return ::DefWindowProcW(hwnd_, message, wparam, lparam);
    }
}

}  // namespace

void AddItemsWindowEntry(HWND window)
{
    const HMENU menu = ::GetSystemMenu(window, FALSE);
    if (menu == nullptr) {
        return;
    }
    ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    const std::wstring entry(other_items_design::kMenuEntry);
    ::AppendMenuW(menu, MF_STRING, control_id::kOtherItemsCommand, entry.c_str());
}

void ShowItemsWindow(HWND owner, const Catalogue& catalogue, const PlatformServices& services, ItemChoices& choices,
                     std::wstring_view notice)
{
    // An owner that takes no input has a modal window in front of it already, this one or a
    // question; a second would run its loop inside the first's.
    if (!::IsWindowEnabled(owner)) {
        return;
    }
    std::vector<ItemDefinition> others;
    for (const CatalogueItem& item : catalogue.Items()) {
        if (item.control == nullptr) {
            others.push_back(item.definition);
        }
    }
    auto window = ItemsWindow::Create(owner, std::move(others), services, choices);
    if (!window) {
        ::MessageBoxW(owner, window.error().description.c_str(), std::wstring(form_design::kApplicationTitle).c_str(),
                      MB_OK | MB_ICONERROR);
        return;
    }
    if (!notice.empty()) {
        (*window)->ShowNotice(notice);
    }
    ::EnableWindow(owner, FALSE);
    (*window)->Show();
    (*window)->RunModal();
    ::EnableWindow(owner, TRUE);
}

}  // namespace nivaro::win32
