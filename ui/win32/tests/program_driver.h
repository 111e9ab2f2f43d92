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
// How long a wait for the program gives up after: a bound against a hang, never a measure of speed.
// A loaded machine can take many times longer than a quiet one to list ten thousand files under
// Wine, so it is generous; a wait that is met returns at once.
inline constexpr std::chrono::milliseconds kPatience = 120s;

std::wstring WindowText(HWND hwnd);
std::wstring ClassName(HWND hwnd);
// A message box owned by `owner` that is not among those already answered (an answered box
// lingers while it is destroyed); nothing when none is up.
std::optional<HWND> UnansweredBoxOf(HWND owner, const std::set<HWND>& answered);
// The message text of a message box: its static text element that is not the icon.
std::wstring MessageBoxText(HWND box);
// A rectangle of a child window in its parent's client coordinates.
RECT ChildRect(HWND child);

// Memory in the program's process: a control that is asked for its text or its items writes
// them through the pointers of the message, which must point there.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, std::size_t size)
        : process_(process), address_(::VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE))
    {
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;
    ~RemoteMemory()
    {
        if (address_ != nullptr) {
            ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        }
    }
    template <class T>
    T* At(std::size_t offset = 0) const
    {
        return reinterpret_cast<T*>(static_cast<char*>(address_) + offset);
    }
    bool Write(const void* data, std::size_t size, std::size_t offset = 0) const
    {
        return address_ != nullptr && ::WriteProcessMemory(process_, At<char>(offset), data, size, nullptr);
    }
    bool Read(void* data, std::size_t size, std::size_t offset = 0) const
    {
        return address_ != nullptr && ::ReadProcessMemory(process_, At<char>(offset), data, size, nullptr);
    }

private:
    HANDLE process_;
    void* address_;
};

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
    // Whether a tooltip of the program is showing.
    bool ShowsTip() const;
    // What the window's tooltip shows over a control, asked of the tooltip as when it opens.
    std::optional<std::wstring> TipText(HWND control) const;
    // What the tooltip over a control says once its preview has been worked out.
    std::optional<std::wstring> WaitForTip(HWND control);
    // Closes the window and waits for the program to end; its exit code.
    std::optional<DWORD> CloseAndWait();

    // Calls the program's window and returns once it has handled a message: everything posted to
    // it before has been handled too.
    bool Sync() const;

    // Looks again after each event of the program's windows until `found` finds what it looks
    // for; nothing (an empty or false result) when the time is up or the program has ended.
    template <class Find>
    auto WaitFor(Find found) -> decltype(found());

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
    // A tooltip window of the program, or only one that is showing.
    std::optional<HWND> Tooltip(bool showingOnly) const;
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

template <class Find>
auto ProgramDriver::WaitFor(Find found) -> decltype(found())
{
    const auto deadline = std::chrono::steady_clock::now() + patience_;
    for (;;) {
        if (auto result = found()) {
            return result;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return decltype(found()){};
        }
        // Wakes on the events of the program's windows, or when the program ends.
        const HANDLE process = process_.get();
        if (::MsgWaitForMultipleObjectsEx(1, &process, static_cast<DWORD>(left.count()), QS_ALLINPUT,
                                          MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0) {
            return found();
        }
        PumpOwnMessages();
    }
}

}  // namespace nivaro::win32::testing
