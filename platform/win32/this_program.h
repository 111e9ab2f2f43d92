#pragma once
// Where the running program's file is: the tests and benchmarks find the programs they drive from
// their own.

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/win32/long_path.h"

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

// A path relative to the folder of the running executable ('\' between steps, ".." allowed),
// made absolute.
inline std::wstring PathBesideThisProgram(std::wstring_view relative)
{
    return FullPath(ThisProgramFolder() + std::wstring(relative));
}

// One of the built programs (nivaro.exe, nivaro-cli.exe): they sit in the build tree's bin
// folder, and the tests and benchmarks each in a folder of their own beside it.
inline std::wstring BuiltProgram(std::wstring_view name)
{
    return PathBesideThisProgram(L"..\\bin\\" + std::wstring(name));
}

}  // namespace nivaro::win32
