#pragma once
// The user's environment on the running system: the shell's known folders and the process's
// environment variables.

#include "platform/environment.h"

namespace nivaro::win32 {

class Win32Environment final : public Environment {
public:
    std::optional<std::wstring> KnownFolder(KnownPlace place) override;
    std::wstring Expand(std::wstring_view text) override;
    std::wstring GroupedCount(std::uint64_t count) override;
    WindowsVersion RunningWindows() override;
};

}  // namespace nivaro::win32
