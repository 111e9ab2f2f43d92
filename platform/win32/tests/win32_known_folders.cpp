// The test prefix's own known folders: nothing to make, and the drive is the Windows folder's. The
// other drive is a folder of the prefix's own that the TestDrive fixture (tests/folder_tests.cmake)
// gives a drive letter from the Linux side.

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

std::optional<std::wstring> KnownFolders::OtherDriveRoot()
{
    return L"N:\\";
}

}  // namespace nivaro
