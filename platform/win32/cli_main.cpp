// nivaro-cli's entry: the arguments in, the report out on the console or a pipe, an exit code.

#include <windows.h>

#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "platform/backend.h"
#include "platform/utf8.h"

namespace {

// A console takes the text as it is; a pipe or a file gets UTF-8.
void Write(DWORD which, std::wstring_view text)
{
    const HANDLE handle = ::GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD mode = 0;
    DWORD written = 0;
    if (::GetConsoleMode(handle, &mode)) {
        ::WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const std::string bytes = nivaro::ToUtf8(text);
    ::WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::vector<std::wstring> args(argv + 1, argv + argc);
    const auto registry = nivaro::MakeRegistry();
    const auto files = nivaro::MakeFileSystem();
    const auto shell = nivaro::MakeShell();
    return nivaro::cli::RunCli(args, {*registry, *files, *shell},
                               {[](std::wstring_view text) { Write(STD_OUTPUT_HANDLE, text); },
                                [](std::wstring_view text) { Write(STD_ERROR_HANDLE, text); }});
}
