#pragma once
// Runs another program to its exit with its output sent to handles of the caller's.

#include <windows.h>

#include <string>

#include "platform/error.h"

namespace nivaro::win32 {

struct ProcessOutput {
    HANDLE out = nullptr;  // each inheritable, or null for none
    HANDLE err = nullptr;
};

// Starts the command line (the program named first, or given as `program`), waits for it up to
// `timeoutMs` and answers its exit code. A program still running at the timeout is ended and
// answered as WAIT_TIMEOUT.
Result<DWORD> RunProcess(const std::wstring& program, std::wstring commandLine, ProcessOutput output,
                         DWORD timeoutMs = INFINITE);

}  // namespace nivaro::win32
