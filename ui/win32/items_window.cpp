#include "ui/win32/items_window.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/backend.h"
#include "platform/win32/win32_error.h"
#include "ui/win32/items_window_class.h"

namespace nivaro::win32 {
namespace {

constexpr wchar_t kClassName[] = L"NivaroItemsWindow";
// Fixed in size like the main window; a dialog's frame, since it stands in front of it.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;

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

}  // namespace

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

void ItemsWindow::SetTargets(std::wstring_view text)
{
    const HWND box = Control(control_id::kOtherItemsTargets);
    ::SetWindowTextW(box, std::wstring(text).c_str());
    ::NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, box, OBJID_CLIENT, CHILDID_SELF);
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
