#include "ui/win32/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <string>

#include "assets/resource_ids.h"
#include "main/catalogue.h"
#include "main/form_items.h"
#include "main/item_choices.h"
#include "main/item_preview.h"
#include "main/window_access.h"
#include "ui/win32/accessibility.h"
#include "platform/backend.h"
#include "ui/win32/items_window.h"
#include "ui/win32/message_pump.h"
#include "platform/win32/win32_error.h"

namespace nivaro::win32 {
namespace {

constexpr wchar_t kClassName[] = L"NivaroMainWindow";
// The worker's word that previews are ready.
constexpr UINT kPreviewsReady = WM_APP + 1;
// While a preview is worked out, its tip shows the count so far, renewed this often.
constexpr UINT_PTR kCountingTimer = 1;
constexpr UINT kCountingMilliseconds = 250;
// A preview is worked out again after this long: the folder or key may have changed meanwhile.
constexpr ULONGLONG kTipLifetimeMilliseconds = 5000;
// A fixed single border with a close box only: no minimize, no maximize, no sizing.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = 0;

const ControlLayout* FindControl(int controlId)
{
    auto found = std::ranges::find(kItemLayout, controlId, &ControlLayout::controlId);
    return found == kItemLayout.end() ? nullptr : &*found;
}

bool IsPushButton(int controlId)
{
    const ControlLayout* control = FindControl(controlId);
    return control != nullptr && control->kind == ControlKind::kButton;
}

bool HighContrastIsOn()
{
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof(contrast);
    return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

UniqueIcon LoadApplicationIcon(int metric, UINT dpi)
{
    const int size = ::GetSystemMetricsForDpi(metric, dpi);
    return UniqueIcon(static_cast<HICON>(
        ::LoadImageW(Instance(), MAKEINTRESOURCEW(IDI_NIVARO), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
}

}  // namespace

MainWindow::MainWindow(const PlatformServices& services) : services_(services) {}

MainWindow::~MainWindow()
{
    if (hwnd_ != nullptr) {
        ::DestroyWindow(hwnd_);
    }
}

Result<std::unique_ptr<MainWindow>> MainWindow::Create(const PlatformServices& services)
{
    if (RegisterWindowClass(kClassName, ::LoadIconW(Instance(), MAKEINTRESOURCEW(IDI_NIVARO))) == 0) {
        return std::unexpected(LastError());
    }

    std::unique_ptr<MainWindow> window(new MainWindow(services));
    window->UpdateColours();
    if (::CreateWindowExW(kExStyle, kClassName, std::wstring(form_design::kCaption).c_str(), kStyle, CW_USEDEFAULT,
                          CW_USEDEFAULT, 0, 0, nullptr, nullptr, Instance(), window.get()) == nullptr) {
        return std::unexpected(LastError());
    }
    window->scale_ = Scale(::GetDpiForWindow(window->hwnd_));
    window->MakeFonts();
    if (auto created = window->CreateControls(); !created) {
        return std::unexpected(created.error());
    }
    AddItemsWindowEntry(window->hwnd_);
    return window;
}

void MainWindow::MakeFonts()
{
    formFont_ = scale_.Font(form_design::kFont);
    titleFont_ = scale_.Font(kTitleFont);
    bigIcon_ = LoadApplicationIcon(SM_CXICON, scale_.Dpi());
    smallIcon_ = LoadApplicationIcon(SM_CXSMICON, scale_.Dpi());
    ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
    ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
}

Result<> MainWindow::CreateControls()
{
    const Catalogue catalogue = Catalogue::Build(services_, ReadUserItems(services_, std::nullopt));
    std::vector<FormControl> controls;
    for (const ControlLayout& control : kItemLayout) {
        if (control.IsItem()) {
            auto panel = ItemPanel::Create(hwnd_, control, *this, scale_, {titleFont_.get(), formFont_.get()});
            if (!panel) {
                return std::unexpected(panel.error());
            }
            auto item = CreateItem(control, **panel, services_);
            if (!item) {
                return std::unexpected(item.error());
            }
            // The user's keep-list for the item, from their items file.
            if (const CatalogueItem* known = catalogue.Find(control.id)) {
                (*item)->SetKeep(known->definition.keep, known->definition.keepByCookieHost);
            }
            panels_.push_back(std::move(*panel));
            items_.push_back(std::move(*item));
            controls.push_back({control.name, items_.back().get()});
            continue;
        }
        const DWORD style = control.kind == ControlKind::kCheckBox ? BS_AUTOCHECKBOX : BS_PUSHBUTTON;
        const HWND hwnd = ::CreateWindowExW(0, L"BUTTON", std::wstring(control.caption).c_str(),
                                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, 0, 0, 0, 0, hwnd_,
                                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.controlId)),
                                            Instance(), nullptr);
        if (hwnd == nullptr) {
            return std::unexpected(LastError());
        }
        if (control.kind == ControlKind::kCheckBox) {
            ::SendMessageW(hwnd, BM_SETCHECK, control.checked ? BST_CHECKED : BST_UNCHECKED, 0);
            // Six boxes say "Clean"; a screen reader says which item each one chooses.
            NameForAssistiveTechnology(hwnd, [name = AccessibleName(control)] { return name; });
        }
        controls.push_back({control.name, nullptr});
    }

    // The dialog keys walk the controls in z-order, so z-order follows the tab index; the
    // commands keep their own list in window order.
    std::vector<const ControlLayout*> byTab;
    for (const ControlLayout& control : kItemLayout) {
        byTab.push_back(&control);
    }
    std::ranges::sort(byTab, {}, &ControlLayout::tabIndex);
    for (const ControlLayout* control : byTab) {
        ::SetWindowPos(::GetDlgItem(hwnd_, control->controlId), HWND_BOTTOM, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }

    commands_ = std::make_unique<CleanCommands>(*this, std::move(controls));
    knownTips_.resize(items_.size());
    previews_ = std::make_unique<PreviewWorker>([] { return std::make_unique<BackendServices>(); },
                                                [window = hwnd_] { ::PostMessageW(window, kPreviewsReady, 0, 0); });
    AddPreviewTips();
    UpdateColours();
    Arrange();
    return {};
}

void MainWindow::UpdateColours()
{
    const SystemColours system{.window = ::GetSysColor(COLOR_WINDOW),
                               .windowText = ::GetSysColor(COLOR_WINDOWTEXT),
                               .highlight = ::GetSysColor(COLOR_HIGHLIGHT)};
    colours_ = ChooseColours(HighContrastIsOn(), system);
    background_.reset(::CreateSolidBrush(ToColorref(colours_.background)));
    for (const auto& panel : panels_) {
        panel->SetColours(colours_);
    }
    if (hwnd_ != nullptr) {
        ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
}

void MainWindow::AddPreviewTips()
{
    tooltip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, Instance(),
                                 nullptr);
    if (tooltip_ == nullptr) {
        return;  // the window works without its tips
    }
    for (const auto& panel : panels_) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = hwnd_;
        tool.uId = reinterpret_cast<UINT_PTR>(panel->Window());
        tool.lpszText = LPSTR_TEXTCALLBACKW;  // worked out when the tip opens, from the item as it is then
        ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    // Long enough to read a few names.
    ::SendMessageW(tooltip_, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(30000, 0));
}

LRESULT MainWindow::OnNotify(NMHDR& header)
{
    if (header.hwndFrom != tooltip_) {
        return 0;
    }
    if (header.code == TTN_POP) {
        tipItem_.reset();
        ::KillTimer(hwnd_, kCountingTimer);
        return 0;
    }
    if (header.code != TTN_GETDISPINFOW) {
        return 0;
    }
    auto& info = reinterpret_cast<NMTTDISPINFOW&>(header);
    const auto panel = std::ranges::find(panels_, reinterpret_cast<HWND>(header.idFrom), &ItemPanel::Window);
    tipText_.clear();
    tipItem_.reset();
    // A preview while a clean runs would read what is being deleted under it; no tip then.
    if (panel != panels_.end() && !commands_->Busy()) {
        tipItem_ = static_cast<std::size_t>(panel - panels_.begin());
        tipText_ = TipFor(*tipItem_);
    }
    ::SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, scale_.Pixels(form_design::kClientSize.width * 2 / 3));
    info.lpszText = tipText_.data();
    return 0;
}

// What is known of the item, or the count so far while its preview is worked out.
std::wstring MainWindow::TipFor(std::size_t item)
{
    const std::optional<KnownTip>& known = knownTips_[item];
    if (known && ::GetTickCount64() - known->at < kTipLifetimeMilliseconds) {
        return known->text;
    }
    previews_->Request(item, items_[item]->Definition());
    ::SetTimer(hwnd_, kCountingTimer, kCountingMilliseconds, nullptr);
    const auto running = previews_->Running();
    const CountFormat count = [this](std::uint64_t n) { return services_.environment.GroupedCount(n); };
    return CountingTip(running && running->first == item ? running->second : 0, count);
}

void MainWindow::OnPreviewsReady()
{
    for (PreviewWorker::Outcome& outcome : previews_->TakeOutcomes()) {
        knownTips_[outcome.item] = KnownTip{std::move(outcome.tip), ::GetTickCount64()};
    }
    RefreshShownTip();
    ::NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, tooltip_, OBJID_CLIENT, CHILDID_SELF);
}

// Asks the tip that is up for its text again, which it takes from TipFor.
void MainWindow::RefreshShownTip()
{
    ::KillTimer(hwnd_, kCountingTimer);  // TipFor sets it again while the count goes on
    if (!tipItem_) {
        return;
    }
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = hwnd_;
    tool.uId = reinterpret_cast<UINT_PTR>(panels_[*tipItem_]->Window());
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    ::SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    // Screen readers, and anything else that watches, learn that the tip says something new.
    ::NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, tooltip_, OBJID_CLIENT, CHILDID_SELF);
}

void MainWindow::ForgetPreviews()
{
    previews_->StopAndWait();
    (void)previews_->TakeOutcomes();
    for (std::optional<KnownTip>& known : knownTips_) {
        known.reset();
    }
}

void MainWindow::Arrange()
{
    std::size_t panel = 0;
    for (const ControlLayout& control : kItemLayout) {
        if (control.IsItem()) {
            panels_[panel++]->Arrange(scale_, {titleFont_.get(), formFont_.get()});
            continue;
        }
        const HWND hwnd = ::GetDlgItem(hwnd_, control.controlId);
        const RECT place = scale_.Rect(control.rect);
        ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(formFont_.get()), FALSE);
        ::SetWindowPos(hwnd, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

SIZE MainWindow::WindowSizeFor(const Scale& scale) const
{
    RECT frame{0, 0, scale.Pixels(form_design::kClientSize.width), scale.Pixels(form_design::kClientSize.height)};
    ::AdjustWindowRectExForDpi(&frame, kStyle, FALSE, kExStyle, scale.Dpi());
    return {frame.right - frame.left, frame.bottom - frame.top};
}

void MainWindow::Show(int showCommand)
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    const SIZE size = WindowSizeFor(scale_);
    const int left = work.left + (work.right - work.left - size.cx) / 2;
    const int top = work.top + (work.bottom - work.top - size.cy) / 2;
    ::SetWindowPos(hwnd_, nullptr, left, top, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    ::ShowWindow(hwnd_, showCommand);
    ::UpdateWindow(hwnd_);
}

int MainWindow::RunMessageLoop()
{
    MSG message{};
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        DispatchForWindow(hwnd_, message);
    }
    return static_cast<int>(message.wParam);
}

void MainWindow::PumpEvents()
{
    pump_.Pump(hwnd_);
}

Result<std::int32_t> MainWindow::CheckboxValue(int index) const
{
    auto box = std::ranges::find_if(kItemLayout, [&](const ControlLayout& control) {
        return control.kind == ControlKind::kCheckBox && control.index == index;
    });
    if (box == kItemLayout.end()) {
        return std::unexpected(NoSuchControlElement(index));
    }
    const LRESULT state = ::SendDlgItemMessageW(hwnd_, box->controlId, BM_GETCHECK, 0, 0);
    return state == BST_CHECKED ? 1 : 0;
}

MessageAnswer MainWindow::ShowMessage(std::wstring_view text, std::wstring_view title, MessageButtons buttons,
                                      MessageIcon icon)
{
    UINT style = buttons == MessageButtons::kYesNo ? MB_YESNO : MB_OK;
    if (icon == MessageIcon::kQuestion) {
        style |= MB_ICONQUESTION;
    }
    const std::wstring caption(title.empty() ? form_design::kApplicationTitle : title);
    switch (::MessageBoxW(hwnd_, std::wstring(text).c_str(), caption.c_str(), style)) {
    case IDYES:
        return MessageAnswer::kYes;
    case IDNO:
        return MessageAnswer::kNo;
    case IDOK:
        return MessageAnswer::kOk;
    default:
        return MessageAnswer::kNone;
    }
}

void MainWindow::OpenWebPage(std::wstring_view address)
{
    // The user's default browser; whether it opened is not reported.
    ::ShellExecuteW(nullptr, L"open", std::wstring(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void MainWindow::SetCleanCommandsEnabled(bool enabled)
{
    const HWND clean = ::GetDlgItem(hwnd_, control_id::kClean);
    const HWND cleanAll = ::GetDlgItem(hwnd_, control_id::kCleanAll);
    // No preview may read what a clean deletes under it, and none from before it holds after it.
    ForgetPreviews();
    if (!enabled) {
        focusBeforeClean_ = ::GetFocus();
    }
    ::EnableWindow(clean, enabled);
    ::EnableWindow(cleanAll, enabled);
    // A disabled button keeps the focus and with it the keyboard; give it back once it is usable.
    if (enabled && (focusBeforeClean_ == clean || focusBeforeClean_ == cleanAll)) {
        ::SetFocus(focusBeforeClean_);
    }
}

void MainWindow::OnCommand(int id)
{
    switch (id) {
    case control_id::kCleanAll:
        commands_->CleanAll();
        break;
    case control_id::kClean:
        commands_->Clean();
        break;
    case control_id::kMore:
        commands_->More();
        break;
    default:
        return;
    }
    if (closeRequested_ && !commands_->Busy()) {
        ::DestroyWindow(hwnd_);
    }
}

void MainWindow::Close()
{
    // A clean that pumps events may see the window closed under it; its items must outlive it.
    // The window goes from the screen at once, and away once the clean has ended.
    if (commands_ && commands_->Busy()) {
        closeRequested_ = true;
        ::ShowWindow(hwnd_, SW_HIDE);
        return;
    }
    ::DestroyWindow(hwnd_);
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam)
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
    case WM_CTLCOLORBTN:
        ::SetBkColor(reinterpret_cast<HDC>(wparam), ToColorref(colours_.background));
        ::SetTextColor(reinterpret_cast<HDC>(wparam), ToColorref(colours_.text));
        return reinterpret_cast<LRESULT>(background_.get());
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
        // The user may have turned high contrast on or off, or changed its colours.
        if (message == WM_SYSCOLORCHANGE && tooltip_ != nullptr) {
            ::SendMessageW(tooltip_, message, wparam, lparam);  // common controls take the change from their parent
        }
        UpdateColours();
        return ::DefWindowProcW(hwnd_, message, wparam, lparam);
    case WM_ERASEBKGND:
        return FillClientBackground(hwnd_, reinterpret_cast<HDC>(wparam), background_.get());
    case WM_DPICHANGED: {
        scale_ = Scale(LOWORD(wparam));
        MakeFonts();
        Arrange();
        MoveToSuggestedPlace(hwnd_, *reinterpret_cast<const RECT*>(lparam), WindowSizeFor(scale_));
        return 0;
    }
    case kPreviewsReady:
        OnPreviewsReady();
        return 0;
    case WM_TIMER:
        if (wparam == kCountingTimer) {
            RefreshShownTip();
        }
        return 0;
    case WM_SYSCOMMAND:
        if ((wparam & 0xFFF0) != control_id::kOtherItemsCommand) {
            return ::DefWindowProcW(hwnd_, message, wparam, lparam);
        }
        // Not while a clean of this window lets events through: the two cleans must not overlap.
        if (!commands_->Busy()) {
            ForgetPreviews();
            ItemChoices choices(services_.registry);
            const UserItems user = ReadUserItems(services_, std::nullopt);
            std::wstring notice;
            for (const std::wstring& problem : UserItemsProblems(user)) {
                notice += (notice.empty() ? L"" : L"\r\n") + problem;  // an edit control breaks lines at CR LF
            }
            ShowItemsWindow(hwnd_, Catalogue::Build(services_, user), services_, choices, notice);
        }
        return 0;
    case WM_CLOSE:
        Close();
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcW(hwnd_, message, wparam, lparam);
    }
}

}  // namespace nivaro::win32
