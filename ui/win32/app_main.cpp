// The program's entry: create the main window, show it, and run it until it is closed.

#include <windows.h>
#include <commctrl.h>

#include "main/item_layout.h"
#include "platform/backend.h"
#include "platform/win32/unique_handles.h"
#include "ui/win32/main_window.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand)
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
        ::MessageBoxW(nullptr, window.error().description.c_str(), std::wstring(form_design::kApplicationTitle).c_str(),
                      MB_OK | MB_ICONERROR);
        return 1;
    }
    (*window)->Show(showCommand);
    return (*window)->RunMessageLoop();
}
