#pragma once
// Platform failures as error values: the platform's code and its own description of it.

#include <windows.h>

#include "platform/error.h"

namespace nivaro::win32 {

// The system's message for a Win32 error code or an HRESULT, without its trailing line break.
std::wstring SystemMessage(DWORD code);

Error Win32Error(DWORD code);
Error LastError();
Error HresultError(HRESULT result);

}  // namespace nivaro::win32
