#include "ui/win32/items_window.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "items/item_engine.h"
#include "main/item_preview.h"
#include "main/items_window_layout.h"
#include "main/items_window_texts.h"
#include "main/other_items_rows.h"
#include "main/preview_queue.h"
#include "main/preview_worker.h"
#include "platform/backend.h"
#include "platform/run_pace.h"
#include "platform/win32/unique_handles.h"
#include "platform/win32/win32_error.h"
#include "ui/win32/base_window.h"
#include "ui/win32/items_checklist.h"
#include "ui/win32/message_pump.h"
#include "ui/win32/scale.h"

namespace nivaro::win32 {
namespace {

constexpr wchar_t kClassName[] = L"NivaroItemsWindow";
// The worker's word that previews are ready.
constexpr UINT kPreviewsReady = WM_APP + 1;
// While a preview is worked out, its row shows the count so far, renewed this often.
constexpr UINT_PTR kCountingTimer = 1;
constexpr UINT kCountingMilliseconds = 250;
// How often the window looks which rows are on screen, to count those that came into view.
constexpr UINT_PTR kScreenTimer = 2;
constexpr UINT kScreenMilliseconds = 200;
// Fixed in size like the main window; a dialog's frame, since it stands in front of it.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;

constexpr int kButtons[] = {control_id::kOtherItemsPreview, control_id::kOtherItemsClean, control_id::kOtherItemsClose};

bool IsPushButton(int controlId)
{
    return std::ranges::find(kButtons, controlId) != std::end(kButtons);
}

// A control of the layout table, made as its kind says.
HWND MakeControl(HWND parent, const OtherItemsControl& control)
{
    const auto id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.controlId));
    const std::wstring caption(control.caption);
    switch (control.kind) {
    case OtherItemsControlKind::kLabel:
        return ::CreateWindowExW(0, L"STATIC", caption.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 0, 0, 0, parent, id,
                                 Instance(), nullptr);
    case OtherItemsControlKind::kChecklist:
        return ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                                 WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                                     LVS_NOSORTHEADER,
                                 0, 0, 0, 0, parent, id, Instance(), nullptr);
    case OtherItemsControlKind::kTargets:
        return ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", std::wstring(other_items_text::kTargetsHint).c_str(),
                                 WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                                     ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL,
                                 0, 0, 0, 0, parent, id, Instance(), nullptr);
    case OtherItemsControlKind::kFilter:
        return ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                                 0, 0, 0, 0, parent, id, Instance(), nullptr);
    case OtherItemsControlKind::kButton:
        return ::CreateWindowExW(0, L"BUTTON", caption.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0,
                                 0, 0, 0, parent, id, Instance(), nullptr);
    }
    return nullptr;
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
    void MakeFont();
    void Arrange();
    SIZE WindowSizeFor(const Scale& scale) const;
    HWND Control(int id) const { return ::GetDlgItem(hwnd_, id); }
    HWND List() const { return Control(control_id::kOtherItemsList); }
    CountFormat Count() const;

    std::wstring CellText(std::size_t item, OtherItemsColumn column) const;
    void SetTargets(std::wstring_view text);
    std::vector<std::size_t> CheckedItems() const;
    void OnChecked(std::size_t item, bool checked);
    void OnFilterChanged();

    // Asks the worker for the next count the queue wants, stopping one the box does not wait for.
    void RequestNextPreview();
    void OnPreviewsReady();
    void ShowCounting();
    void LookAtScreen();
    void StopPreviews();
    void ShowTargets();

    void OnCommand(int id, int code);
    void Preview();
    void Clean();
    void SetBusy(bool busy);
    void Close();

    HWND owner_;
    std::vector<ItemDefinition> items_;
    std::vector<bool> checked_;
    std::vector<std::optional<PreviewWorker::Outcome>> outcomes_;  // the latest preview of each item
    std::vector<std::wstring> lastClean_;
    OtherItemsRows rows_;
    PreviewQueue queue_;
    ItemsChecklist checklist_;
    PlatformServices services_;
    ItemChoices& choices_;
    Scale scale_{USER_DEFAULT_SCREEN_DPI};
    UniqueFont font_;
    UniqueBrush background_;
    UniqueBrush targetsBackground_;
    PacedPump pump_;
    bool busy_ = false;  // a clean runs, or its question is up
    bool closeRequested_ = false;
    bool boxWaits_ = false;  // the box lists the checked items once their counts are in
    HWND focusBeforeClean_ = nullptr;
    HWND focusOnReturn_ = nullptr;  // the control that had the keyboard when the window was left
    std::vector<std::size_t> onScreen_;
    std::vector<std::size_t> boxItems_;         // the items the box lists
    std::unique_ptr<PreviewWorker> previews_;  // last: its thread stops before the rest goes
};

ItemsWindow::ItemsWindow(HWND owner, std::vector<ItemDefinition> items, const PlatformServices& services,
                         ItemChoices& choices)
    : owner_(owner),
      items_(std::move(items)),
      checked_(choices.AreChecked(items_)),
      outcomes_(items_.size()),
      lastClean_(items_.size()),
      rows_(items_),
      queue_(items_.size()),
      checklist_(
          rows_, checked_, [this](std::size_t item, OtherItemsColumn column) { return CellText(item, column); },
          [this](std::size_t item, bool checked) { OnChecked(item, checked); }),
      services_(services),
      choices_(choices)
{
    for (std::size_t item = 0; item < items_.size(); ++item) {
        queue_.SetChecked(item, checked_[item]);
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
        if (MakeControl(hwnd_, control) == nullptr) {
            return std::unexpected(LastError());
        }
    }
    // A preview of a large folder lists many lines; the box's own limit is for typing.
    ::SendDlgItemMessageW(hwnd_, control_id::kOtherItemsTargets, EM_SETLIMITTEXT, 0, 0);
    previews_ = std::make_unique<PreviewWorker>([] { return std::make_unique<BackendServices>(); },
                                                [window = hwnd_] { ::PostMessageW(window, kPreviewsReady, 0, 0); });
    Arrange();
    checklist_.Attach(List(), scale_);
    ::SetTimer(hwnd_, kScreenTimer, kScreenMilliseconds, nullptr);
    return {};
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
    LookAtScreen();
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

std::wstring ItemsWindow::CellText(std::size_t item, OtherItemsColumn column) const
{
    const ItemDefinition& definition = items_[item];
    switch (column) {
    case OtherItemsColumn::kTitle:
        return definition.title;
    case OtherItemsColumn::kGroup:
        return definition.group;
    case OtherItemsColumn::kWouldRemove: {
        if (outcomes_[item]) {
            return WouldRemoveText(*outcomes_[item], Count());
        }
        const auto running = previews_ ? previews_->Running() : std::nullopt;
        return CountingTip(running && running->first == item ? running->second : 0, Count());
    }
    case OtherItemsColumn::kLastClean:
        return lastClean_[item];
    case OtherItemsColumn::kDescription:
        return definition.description;
    }
    return {};
}

void ItemsWindow::SetTargets(std::wstring_view text)
{
    const HWND box = Control(control_id::kOtherItemsTargets);
    ::SetWindowTextW(box, std::wstring(text).c_str());
    ::NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, box, OBJID_CLIENT, CHILDID_SELF);
}

std::vector<std::size_t> ItemsWindow::CheckedItems() const
{
    std::vector<std::size_t> items;
    for (std::size_t item = 0; item < checked_.size(); ++item) {
        if (checked_[item]) {
            items.push_back(item);
        }
    }
    return items;
}

void ItemsWindow::OnChecked(std::size_t item, bool checked)
{
    checked_[item] = checked;
    // Remembered at once: the choice outlives a window closed any way at all. One the registry
    // refuses still holds for as long as the window is open.
    (void)choices_.SetChecked(items_[item], checked);
    queue_.SetChecked(item, checked);
    if (!busy_) {
        RequestNextPreview();
    }
}

void ItemsWindow::OnFilterChanged()
{
    const HWND filter = Control(control_id::kOtherItemsFilter);
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(filter)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(filter, text.data(), static_cast<int>(text.size()))));
    rows_.SetFilter(text);
    checklist_.Fill();
    LookAtScreen();
}

void ItemsWindow::LookAtScreen()
{
    std::vector<std::size_t> shown = checklist_.ItemsOnScreen();
    if (shown == onScreen_) {
        return;
    }
    onScreen_ = std::move(shown);
    queue_.SetOnScreen(onScreen_);
    if (!busy_) {
        RequestNextPreview();
    }
}

void ItemsWindow::RequestNextPreview()
{
    if (queue_.ShouldStop()) {
        queue_.Stopped(*queue_.Running());  // the request below stops it; it waits its turn again
    }
    const std::optional<std::size_t> next = queue_.Next();
    if (!next) {
        if (!queue_.Running()) {
            ::KillTimer(hwnd_, kCountingTimer);
        }
        return;
    }
    queue_.Started(*next);
    previews_->Request(*next, items_[*next]);
    ::SetTimer(hwnd_, kCountingTimer, kCountingMilliseconds, nullptr);
}

void ItemsWindow::OnPreviewsReady()
{
    for (PreviewWorker::Outcome& outcome : previews_->TakeOutcomes()) {
        const std::size_t item = outcome.item;
        if (item >= items_.size()) {
            continue;
        }
        outcomes_[item] = std::move(outcome);
        queue_.Finished(item);
        checklist_.Changed(item);
    }
    if (boxWaits_ && !queue_.Awaiting()) {
        boxWaits_ = false;
        ShowTargets();
    }
    RequestNextPreview();
}

void ItemsWindow::ShowCounting()
{
    if (const std::optional<std::size_t> running = queue_.Running()) {
        checklist_.Changed(*running);
    }
}

void ItemsWindow::StopPreviews()
{
    previews_->StopAndWait();
    (void)previews_->TakeOutcomes();
    ::KillTimer(hwnd_, kCountingTimer);
    queue_.ForgetAll();
    boxWaits_ = false;
}

// Each previewed item on a line of its own with its counts, and its targets under it.
void ItemsWindow::ShowTargets()
{
    using namespace other_items_text;
    const CountFormat count = Count();
    std::wstring text;
    for (const std::size_t item : boxItems_) {
        if (!text.empty()) {
            text += L"\r\n";
        }
        text += items_[item].title;
        if (!outcomes_[item]) {
            continue;
        }
        text += L": " + WouldRemoveText(*outcomes_[item], count);
        for (const std::wstring& line : outcomes_[item]->lines) {
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
    boxItems_ = CheckedItems();
    if (boxItems_.empty()) {
        boxWaits_ = false;
        SetTargets(other_items_text::kNothingChecked);
        return;
    }
    // Worked out afresh: what was there when the window opened may have gone since.
    for (const std::size_t item : boxItems_) {
        outcomes_[item].reset();
    }
    queue_.Await(boxItems_);
    boxWaits_ = true;
    SetTargets(other_items_text::kWorkingOut);
    RequestNextPreview();
}

void ItemsWindow::Clean()
{
    if (busy_) {
        return;
    }
    const std::vector<std::size_t> items = CheckedItems();
    if (items.empty()) {
        SetTargets(other_items_text::kNothingChecked);
        return;
    }
    SetBusy(true);
    std::vector<const ItemDefinition*> definitions;
    for (const std::size_t item : items) {
        definitions.push_back(&items_[item]);
    }
    const int answer = ::MessageBoxW(hwnd_, CleanQuestion(definitions).c_str(),
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
    for (std::size_t item = 0; item < items_.size(); ++item) {
        if (!lastClean_[item].empty()) {
            lastClean_[item].clear();
            checklist_.Changed(item);
        }
    }
    const CountFormat count = Count();
    for (const std::size_t item : items) {
        lastClean_[item] = other_items_text::kCleaning;
        checklist_.Changed(item);
        CleanPace pace(*this);
        ItemPlan plan = PlanItem(services_, items_[item], Foresight::kListOnly, pace);
        const std::size_t removed = CarryItem(services_, plan, pace);
        lastClean_[item] = CleanedText(plan, removed, count);
        checklist_.Changed(item);
    }
    SetBusy(false);
    if (hwnd_ == nullptr) {
        return;  // the owner went, and took this window with it
    }
    if (closeRequested_) {
        Close();
        return;
    }
    for (std::size_t item = 0; item < items_.size(); ++item) {
        if (outcomes_[item]) {
            outcomes_[item].reset();
            checklist_.Changed(item);
        }
    }
    RequestNextPreview();
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
    ::KillTimer(hwnd_, kScreenTimer);
    // The owner takes input again before this window goes, so that it is the one activated.
    ::EnableWindow(owner_, TRUE);
    ::DestroyWindow(hwnd_);
}

void ItemsWindow::OnCommand(int id, int code)
{
    if (id == control_id::kOtherItemsFilter) {
        if (code == EN_CHANGE && !busy_) {
            OnFilterChanged();
        }
        return;
    }
    if (code != BN_CLICKED) {
        return;
    }
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
        OnCommand(LOWORD(wparam), HIWORD(wparam));
        return 0;
    case WM_NOTIFY:
        return checklist_.OnNotify(*reinterpret_cast<NMHDR*>(lparam)).value_or(0);
    case WM_NEXTDLGCTL: {
        // The dialog keys ask for it: a label's access key goes to the label, then on to its box.
        const HWND focus = ::GetFocus();
        const HWND next = LOWORD(lparam) != 0 ? reinterpret_cast<HWND>(wparam)
                                              : ::GetNextDlgTabItem(hwnd_, focus, wparam != 0 ? TRUE : FALSE);
        if (next != nullptr) {
            ::SetFocus(next);
        }
        return 0;
    }
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
        checklist_.Arrange(scale_);
        MoveToSuggestedPlace(hwnd_, *reinterpret_cast<const RECT*>(lparam), WindowSizeFor(scale_));
        return 0;
    }
    case kPreviewsReady:
        OnPreviewsReady();
        return 0;
    case WM_TIMER:
        if (wparam == kCountingTimer) {
            ShowCounting();
        } else if (wparam == kScreenTimer && !busy_) {
            LookAtScreen();
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
