#include "platform/win32/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <string>

#include "assets/resource_ids.h"
#include "main/form_items.h"
#include "main/item_preview.h"
#include "platform/win32/message_pump.h"
#include "platform/win32/win32_error.h"

namespace nivaro::win32 {
namespace {

constexpr wchar_t kClassName[] = L"NivaroMainWindow";
// A fixed single border with a close box only: no minimize, no maximize, no sizing.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = 0;

HINSTANCE Instance()
{
    return ::GetModuleHandleW(nullptr);
}

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
    static const ATOM registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = &MainWindow::WindowProc;
        windowClass.hInstance = Instance();
        windowClass.hIcon = ::LoadIconW(Instance(), MAKEINTRESOURCEW(IDI_NIVARO));
        windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kClassName;
        return ::RegisterClassExW(&windowClass);
    }();
    if (registered == 0) {
        return std::unexpected(LastError());
    }

    std::unique_ptr<MainWindow> window(new MainWindow(services));
    window->background_.reset(::CreateSolidBrush(ToColorref(form_design::kBackground)));
    if (::CreateWindowExW(kExStyle, kClassName, std::wstring(form_design::kCaption).c_str(), kStyle, CW_USEDEFAULT,
                          CW_USEDEFAULT, 0, 0, nullptr, nullptr, Instance(), window.get()) == nullptr) {
        return std::unexpected(LastError());
    }
    window->scale_ = Scale(::GetDpiForWindow(window->hwnd_));
    window->MakeFonts();
    if (auto created = window->CreateControls(); !created) {
        return std::unexpected(created.error());
    }
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
    AddPreviewTips();
    Arrange();
    return {};
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
    if (header.hwndFrom != tooltip_ || header.code != TTN_GETDISPINFOW) {
        return 0;
    }
    auto& info = reinterpret_cast<NMTTDISPINFOW&>(header);
    const auto panel = std::ranges::find(panels_, reinterpret_cast<HWND>(header.idFrom), &ItemPanel::Window);
    tipText_.clear();
    // A preview while a clean runs would read what is being deleted under it; no tip then.
    if (panel != panels_.end() && !commands_->Busy()) {
        tipText_ = PreviewTip(items_[static_cast<std::size_t>(panel - panels_.begin())]->Plan());
    }
    ::SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, scale_.Pixels(form_design::kClientSize.width * 2 / 3));
    info.lpszText = tipText_.data();
    return 0;
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
    if (commands_ && commands_->Busy()) {
        closeRequested_ = true;
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
        ::SetBkColor(reinterpret_cast<HDC>(wparam), ToColorref(form_design::kBackground));
        return reinterpret_cast<LRESULT>(background_.get());
    case WM_ERASEBKGND: {
        RECT client{};
        ::GetClientRect(hwnd_, &client);
        ::FillRect(reinterpret_cast<HDC>(wparam), &client, background_.get());
        return 1;
    }
    case WM_DPICHANGED: {
        scale_ = Scale(LOWORD(wparam));
        MakeFonts();
        Arrange();
        const auto* suggested = reinterpret_cast<const RECT*>(lparam);
        const SIZE size = WindowSizeFor(scale_);
        ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, size.cx, size.cy,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
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
