#pragma once
// The user's environment on the running system: the shell's known folders and the process's
// environment variables.

#include <map>
#include <mutex>

#include "platform/environment.h"

namespace nivaro::win32 {

class Win32Environment final : public Environment {
public:
    // Each folder is asked of the system once for this environment: the known-folder manager reads
    // the registry every time, half a millisecond under Wine, and the protected places ask for
    // every one of them for every folder a run reaches.
    std::optional<std::wstring> KnownFolder(KnownPlace place) override;
    std::vector<SystemFolder> SystemFolders() override;
    std::wstring Expand(std::wstring_view text) override;
    std::wstring GroupedCount(std::uint64_t count) override;
    WindowsVersion RunningWindows() override;

private:
    static std::optional<std::wstring> AskSystem(KnownPlace place);

    std::mutex mutex_;
    std::map<KnownPlace, std::wstring> known_;  // the folders found so far
};

}  // namespace nivaro::win32
