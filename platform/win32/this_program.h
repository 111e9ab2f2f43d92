#pragma once
// Where the running program's file is: the tests and benchmarks find the programs they drive
// beside their own.

#include <windows.h>

#include <string>

namespace nivaro::win32 {

// The running program's file, however long its path.
inline std::wstring ThisProgramPath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// The folder of the running program, with its trailing separator.
inline std::wstring ThisProgramFolder()
{
    std::wstring path = ThisProgramPath();
    path.resize(path.find_last_of(L'\\') + 1);
    return path;
}

}  // namespace nivaro::win32
