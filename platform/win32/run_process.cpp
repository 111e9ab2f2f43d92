#include "platform/win32/run_process.h"

#include "platform/win32/unique_handles.h"
#include "platform/win32/win32_error.h"

namespace nivaro::win32 {

Result<DWORD> RunProcess(const std::wstring& program, std::wstring commandLine, ProcessOutput output,
                         DWORD timeoutMs)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output.out;
    startup.hStdError = output.err;
    PROCESS_INFORMATION started{};
    // CreateProcessW may write to the command line, so it gets a copy of its own.
    if (!::CreateProcessW(program.empty() ? nullptr : program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                          CREATE_NO_WINDOW, nullptr, nullptr, &startup, &started)) {
        return std::unexpected(LastError());
    }
    const UniqueKernelHandle process(started.hProcess);
    const UniqueKernelHandle thread(started.hThread);
    if (::WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.get(), WAIT_TIMEOUT);
        return std::unexpected(Win32Error(WAIT_TIMEOUT));
    }
    DWORD exitCode = 0;
    if (!::GetExitCodeProcess(process.get(), &exitCode)) {
        return std::unexpected(LastError());
    }
    return exitCode;
}

}  // namespace nivaro::win32
