#include "bench/win32/system_command.h"

#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/run_process.h"
#include "platform/win32/unique_handles.h"

namespace nivaro::win32::bench {
namespace {

std::wstring SystemFolder()
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const UINT length = ::GetSystemDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
        if (length < buffer.size()) {
            return std::wstring(buffer.data(), length);
        }
        buffer.resize(length + 1);  // the size it needs, its terminator included
    }
}

}  // namespace

std::optional<unsigned long> RunProgram(const std::wstring& path, std::wstring_view arguments)
{
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const UniqueFile nowhere(::CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                           OPEN_EXISTING, 0, nullptr));
    const Result<DWORD> exitCode =
        RunProcess(path, L"\"" + path + L"\" " + std::wstring(arguments), {nowhere.get(), nowhere.get()});
    if (!exitCode) {
        return std::nullopt;
    }
    return *exitCode;
}

std::optional<unsigned long> RunSystemCommand(std::wstring_view program, std::wstring_view arguments)
{
    return RunProgram(SystemFolder() + L"\\" + std::wstring(program), arguments);
}


}  // namespace nivaro::win32::bench
