#pragma once
// Drives the real program from outside, as a user or an assistive tool would: starts it, finds
// its window, clicks its buttons, answers its message boxes and reads its texts.

#include <windows.h>

#include <chrono>
#include <optional>
#include <set>
#include <string>

#include "platform/win32/unique_handles.h"

namespace nivaro::win32::testing {

using namespace std::chrono_literals;
inline constexpr std::chrono::milliseconds kPatience = 20s;

std::wstring WindowText(HWND hwnd);
// The message text of a message box: its static text element that is not the icon.
std::wstring MessageBoxText(HWND box);
// A rectangle of a child window in its parent's client coordinates.
RECT ChildRect(HWND child);

class ProgramDriver {
public:
    // Starts nivaro.exe from the directory of the running test and waits for its window.
    ProgramDriver();
    // Starts the program at this path, for a caller that does not sit beside it. `patience` bounds
    // every wait of the driver: a clean of a large folder may take longer than a test's.
    explicit ProgramDriver(const std::wstring& program, std::chrono::milliseconds patience = kPatience);
    ProgramDriver(const ProgramDriver&) = delete;
    ProgramDriver& operator=(const ProgramDriver&) = delete;
    ~ProgramDriver() = default;

    HWND Main() const { return main_; }
    HANDLE ProcessHandle() const { return process_.get(); }
    HWND Control(int id) const { return ::GetDlgItem(main_, id); }
    // A text element of the cleaning item with this control ID.
    std::wstring ItemText(int itemId, int elementId) const;

    // Clicks a button and waits for the message box that the window then shows; nothing when no
    // box came.
    std::optional<HWND> ClickAndWaitForBox(int buttonId);
    // Answers a box with one of its buttons (IDYES, IDNO, IDOK).
    void Answer(HWND box, int buttonId);
    // Waits until the running clean has ended ("Clean" usable again). A message box that comes up
    // meanwhile ends the wait; it is returned.
    std::optional<HWND> WaitForCleanToEnd();
    // A message box owned by the window that has not been answered yet, if one is up.
    std::optional<HWND> OwnedBox() const;
    // What the window's tooltip shows over a control, asked of the tooltip as when it opens.
    std::optional<std::wstring> TipText(HWND control) const;
    // What the tooltip over a control says once its preview has been worked out.
    std::optional<std::wstring> WaitForTip(HWND control);
    // Closes the window and waits for the program to end; its exit code.
    std::optional<DWORD> CloseAndWait();

    // Calls the program's window and returns once it has handled a message: everything posted to
    // it before has been handled too.
    bool Sync() const;

private:
    // The program's process; one that a test leaves running, or that never showed its window, is
    // ended when its owner goes.
    class Process {
    public:
        Process() = default;
        Process(const Process&) = delete;
        Process& operator=(const Process&) = delete;
        ~Process();
        HANDLE get() const { return handle_.get(); }
        void reset(HANDLE handle) { handle_.reset(handle); }

    private:
        UniqueKernelHandle handle_;
    };

    void PumpOwnMessages() const;
    // Waits for the program's windows to change until `found` finds what it looks for; nothing
    // when the time is up or the program has ended.
    template <class Find>
    auto WaitFor(Find found) -> decltype(found());
    HWND FindMainWindow() const;
    std::optional<HWND> WaitForBox();

    Process process_;
    std::chrono::milliseconds patience_ = kPatience;
    DWORD processId_ = 0;
    HWND main_ = nullptr;
    UniqueWinEventHook hook_;
    // A box that was answered lingers while it is destroyed (seconds on a bare X server).
    std::set<HWND> answered_;
};

}  // namespace nivaro::win32::testing
