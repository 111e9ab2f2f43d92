#pragma once
// The user's environment where Windows is not there: the known folders are what the tests set,
// and the variables are the process's own.

#include <map>
#include <mutex>

#include "platform/environment.h"

namespace nivaro {

class SubstituteEnvironment final : public Environment {
public:
    std::optional<std::wstring> KnownFolder(KnownPlace place) override;
    // The folders set with SetOtherSystemFolders.
    std::vector<SystemFolder> SystemFolders() override;
    std::wstring Expand(std::wstring_view text) override;
    // Grouped by threes with commas, as the English locales write it.
    std::wstring GroupedCount(std::uint64_t count) override;
    // Windows 10 unless a test says otherwise.
    WindowsVersion RunningWindows() override;

    // Sets the version every environment of this process reports.
    static void SetRunningWindows(WindowsVersion version);

    // Sets where a known folder is for every environment of this process; nothing removes it.
    static void SetKnownFolder(KnownPlace place, std::optional<std::wstring> path);
    // The folders the system would name besides the places: all users' folders and the like.
    static void SetOtherSystemFolders(std::vector<SystemFolder> folders);
};

}  // namespace nivaro
