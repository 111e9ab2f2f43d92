// The test prefix's own known folders: nothing to make, and the drive is the Windows folder's.

#include "tests/support/known_folders.h"

namespace nivaro {

bool KnownFolders::Prepare()
{
    return true;
}

void KnownFolders::Unprepare() {}

std::optional<std::wstring> KnownFolders::DriveRoot()
{
    const std::optional<std::wstring> windows = environment_->KnownFolder(KnownPlace::kWindows);
    if (!windows || windows->size() < 3 || (*windows)[1] != L':') {
        return std::nullopt;
    }
    return windows->substr(0, 3);
}

}  // namespace nivaro
