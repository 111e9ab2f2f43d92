// The program's entry: create the main window, show it, and run it until it is closed.

#include <windows.h>
#include <commctrl.h>

#include <exception>
#include <string>

#include "main/item_layout.h"
#include "platform/backend.h"
#include "platform/utf8.h"
#include "platform/win32/unique_handles.h"
#include "ui/win32/main_window.h"

namespace {

// The program's own exit code for a run that an unexpected error stopped, as nivaro-cli's.
constexpr int kStopped = 5;

void Tell(const std::wstring& text)
{
    ::MessageBoxW(nullptr, text.c_str(), std::wstring(nivaro::form_design::kApplicationTitle).c_str(), MB_OK | MB_ICONERROR);
}

int Run(int showCommand)
{
    using namespace nivaro;
    const win32::ComApartment com;  // the shell's objects and the launcher live in this thread's apartment
    const INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);

    const auto registry = MakeRegistry();
    const auto files = MakeFileSystem();
    const auto shell = MakeShell();
    const auto environment = MakeEnvironment();
    auto window = win32::MainWindow::Create({*registry, *files, *shell, *environment});
    if (!window) {
        Tell(window.error().description);
        return 1;
    }
    (*window)->Show(showCommand);
    return (*window)->RunMessageLoop();
}

}  // namespace

// Whatever escapes the window ends the program with a word and an exit code of its own, never in
// an abort.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand)
{
    try {
        return Run(showCommand);
    } catch (const std::exception& error) {
        Tell(L"Nivaro stopped on an unexpected error: " + nivaro::FromUtf8(error.what()));
    } catch (...) {
        Tell(L"Nivaro stopped on an unexpected error.");
    }
    return kStopped;
}
