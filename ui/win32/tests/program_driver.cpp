#include "ui/win32/tests/program_driver.h"

#include <commctrl.h>

#include <cstddef>
#include <stdexcept>
#include <vector>

#include "main/control_ids.h"
#include "main/item_layout.h"
#include "platform/win32/this_program.h"

namespace nivaro::win32::testing {
namespace {

// Out-of-context events reach this thread as messages; any of them is a reason to look again.
void CALLBACK NoteEvent(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD) {}

}  // namespace

std::wstring ClassName(HWND hwnd)
{
    wchar_t name[64]{};
    ::GetClassNameW(hwnd, name, 64);
    return name;
}

std::optional<HWND> UnansweredBoxOf(HWND owner, const std::set<HWND>& answered)
{
    struct Search {
        HWND owner;
        const std::set<HWND>* answered;
        HWND box;
    } search{owner, &answered, nullptr};
    ::EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            if (::GetWindow(hwnd, GW_OWNER) == s->owner && ClassName(hwnd) == L"#32770" && !s->answered->contains(hwnd)) {
                s->box = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.box ? std::optional(search.box) : std::nullopt;
}

std::wstring WindowText(HWND hwnd)
{
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) {
        return L"<no answer>";
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    ::SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000,
                          &copied);
    text.resize(copied);
    return text;
}

std::wstring MessageBoxText(HWND box)
{
    std::wstring found;
    for (HWND child = ::GetWindow(box, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        const auto style = static_cast<DWORD>(::GetWindowLongPtrW(child, GWL_STYLE));
        if (ClassName(child) == L"Static" && (style & SS_TYPEMASK) != SS_ICON) {
            std::wstring text = WindowText(child);
            if (!text.empty()) {
                found = std::move(text);
            }
        }
    }
    return found;
}

RECT ChildRect(HWND child)
{
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

ProgramDriver::Process::~Process()
{
    if (handle_ && ::WaitForSingleObject(handle_.get(), 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(handle_.get(), 1);
        ::WaitForSingleObject(handle_.get(), static_cast<DWORD>(kPatience.count()));
    }
}

ProgramDriver::ProgramDriver() : ProgramDriver(BuiltProgram(L"nivaro.exe")) {}

ProgramDriver::ProgramDriver(const std::wstring& program, std::chrono::milliseconds patience) : patience_(patience)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::wstring command = L"\"" + program + L"\"";
    // Suspended until the hook is in place, so that no window of the program goes unnoticed.
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &startup,
                          &info)) {
        throw std::runtime_error("cannot start nivaro.exe");
    }
    process_.reset(info.hProcess);
    const UniqueKernelHandle thread(info.hThread);
    processId_ = info.dwProcessId;
    // Every event of the program's windows (made, shown, renamed, changed): what a wait of the
    // driver may be waiting for.
    hook_.reset(::SetWinEventHook(EVENT_MIN, EVENT_MAX, nullptr, &NoteEvent, processId_, 0, WINEVENT_OUTOFCONTEXT));
    ::ResumeThread(thread.get());

    main_ = WaitFor([this]() -> std::optional<HWND> {
        const HWND found = FindMainWindow();
        return found ? std::optional(found) : std::nullopt;
    }).value_or(nullptr);
    // The window is found as soon as it exists; once it has handled a message, it is built and shown.
    if (main_ == nullptr || !Sync()) {
        DWORD code = STILL_ACTIVE;
        ::GetExitCodeProcess(process_.get(), &code);
        throw std::runtime_error(code == STILL_ACTIVE ? "nivaro.exe shows no window captioned \"Nivaro 1.0\""
                                                      : "nivaro.exe ended before showing its window (is there a display?)");
    }
}

HWND ProgramDriver::FindMainWindow() const
{
    const std::wstring caption(form_design::kCaption);
    for (HWND found = ::FindWindowExW(nullptr, nullptr, L"NivaroMainWindow", caption.c_str()); found != nullptr;
         found = ::FindWindowExW(nullptr, found, L"NivaroMainWindow", caption.c_str())) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(found, &owner);
        if (owner == processId_) {
            return found;
        }
    }
    return nullptr;
}

std::optional<std::wstring> ProgramDriver::WaitForTip(HWND control)
{
    // The window says when a tip's text changes; each change wakes the wait to ask again.
    return WaitFor([&]() -> std::optional<std::wstring> {
        std::optional<std::wstring> text = TipText(control);
        return text && !text->starts_with(L"Counting...") ? text : std::nullopt;
    });
}

std::wstring ProgramDriver::ItemText(int itemId, int elementId) const
{
    return WindowText(::GetDlgItem(Control(itemId), elementId));
}

bool ProgramDriver::Sync() const
{
    DWORD_PTR ignored = 0;
    return ::SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(patience_.count()), &ignored) != 0;
}

void ProgramDriver::PumpOwnMessages() const
{
    MSG message{};
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::DispatchMessageW(&message);
    }
}

std::optional<HWND> ProgramDriver::OwnedBox() const
{
    return UnansweredBoxOf(main_, answered_);
}

std::optional<HWND> ProgramDriver::WaitForBox()
{
    auto box = WaitFor([this] { return OwnedBox(); });
    if (box) {
        // The box answers once its own message loop runs, that is, once it is fully built.
        DWORD_PTR ignored = 0;
        ::SendMessageTimeoutW(*box, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(patience_.count()), &ignored);
    }
    return box;
}

std::optional<HWND> ProgramDriver::ClickAndWaitForBox(int buttonId)
{
    ::PostMessageW(Control(buttonId), BM_CLICK, 0, 0);
    return WaitForBox();
}

void ProgramDriver::Answer(HWND box, int buttonId)
{
    answered_.insert(box);
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(box, buttonId)));
}

std::optional<HWND> ProgramDriver::WaitForCleanToEnd()
{
    const auto deadline = std::chrono::steady_clock::now() + patience_;
    // Each round trip returns once the program has handled a message: at the latest when it is
    // back in its message loop, sooner while a folder run lets events through.
    while (std::chrono::steady_clock::now() < deadline && Sync()) {
        if (auto box = OwnedBox()) {
            return box;
        }
        if (::IsWindowEnabled(Control(control_id::kClean)) && ::IsWindowEnabled(Control(control_id::kCleanAll))) {
            return std::nullopt;
        }
    }
    throw std::runtime_error("the clean did not end in time");
}

std::optional<HWND> ProgramDriver::Tooltip(bool showingOnly) const
{
    struct Search {
        DWORD processId;
        bool showingOnly;
        HWND tip;
    } search{processId_, showingOnly, nullptr};
    ::EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(hwnd, &owner);
            if (owner == s->processId && ClassName(hwnd) == TOOLTIPS_CLASSW &&
                (!s->showingOnly || ::IsWindowVisible(hwnd))) {
                s->tip = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.tip ? std::optional(search.tip) : std::nullopt;
}

bool ProgramDriver::ShowsTip() const
{
    return Tooltip(true).has_value();
}

std::optional<std::wstring> ProgramDriver::TipText(HWND control) const
{
    const std::optional<HWND> tip = Tooltip(false);
    if (!tip) {
        return std::nullopt;
    }

    // The tooltip writes the text into memory of its own process: the question is put there.
    struct Question {
        TTTOOLINFOW tool;
        wchar_t text[1024];
    };
    const RemoteMemory remote(process_.get(), sizeof(Question));
    auto* there = remote.At<Question>();
    Question question{};
    question.tool.cbSize = sizeof(question.tool);
    question.tool.hwnd = main_;
    question.tool.uId = reinterpret_cast<UINT_PTR>(control);
    question.tool.lpszText = there->text;
    DWORD_PTR ignored = 0;
    if (!remote.Write(&question, sizeof(question)) ||
        !::SendMessageTimeoutW(*tip, TTM_GETTEXTW, std::size(question.text), reinterpret_cast<LPARAM>(there),
                               SMTO_NORMAL, static_cast<UINT>(patience_.count()), &ignored) ||
        !remote.Read(question.text, sizeof(question.text), offsetof(Question, text))) {
        return std::nullopt;
    }
    question.text[std::size(question.text) - 1] = L'\0';
    return std::wstring(question.text);
}

std::optional<DWORD> ProgramDriver::CloseAndWait()
{
    ::PostMessageW(main_, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(process_.get(), static_cast<DWORD>(patience_.count())) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(process_.get(), &code);
    return code;
}

}  // namespace nivaro::win32::testing
