// nivaro-cli's entry: the arguments in, the report out on the console or a pipe, an exit code.

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "platform/backend.h"
#include "platform/utf8.h"

namespace {

// Writes all of it, a piece at a time where the handle takes less; false when it stops taking any.
template <class Unit, class WriteSome>
bool WriteAll(std::basic_string_view<Unit> text, WriteSome writeSome)
{
    while (!text.empty()) {
        const auto piece = static_cast<DWORD>(std::min<std::size_t>(text.size(), 1 << 20));
        DWORD written = 0;
        if (!writeSome(text.data(), piece, written) || written == 0) {
            return false;
        }
        text.remove_prefix(written);
    }
    return true;
}

// A console takes the text as it is; a pipe or a file gets UTF-8.
bool Write(DWORD which, std::wstring_view text)
{
    const HANDLE handle = ::GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD mode = 0;
    if (::GetConsoleMode(handle, &mode)) {
        return WriteAll(text, [&](const wchar_t* data, DWORD count, DWORD& written) {
            return ::WriteConsoleW(handle, data, count, &written, nullptr) != FALSE;
        });
    }
    const std::string bytes = nivaro::ToUtf8(text);
    return WriteAll(std::string_view(bytes), [&](const char* data, DWORD count, DWORD& written) {
        return ::WriteFile(handle, data, count, &written, nullptr) != FALSE;
    });
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::vector<std::wstring> args(argv + 1, argv + argc);
    const auto registry = nivaro::MakeRegistry();
    const auto files = nivaro::MakeFileSystem();
    const auto shell = nivaro::MakeShell();
    const auto environment = nivaro::MakeEnvironment();
    return nivaro::cli::RunCli(args, {*registry, *files, *shell, *environment},
                               {[](std::wstring_view text) { return Write(STD_OUTPUT_HANDLE, text); },
                                [](std::wstring_view text) { return Write(STD_ERROR_HANDLE, text); }});
}
