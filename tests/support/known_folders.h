#pragma once
// The system's known folders for the tests of the protected places: under Wine the test
// prefix's own, and natively a set made in a scratch folder and handed to the substitute
// environment, with a scratch folder marked as a drive root and Shell Folders values for History
// and Cookies.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/services.h"
#include "tests/support/folder_fixture.h"

namespace nivaro {

class KnownFolders {
public:
    KnownFolders();
    ~KnownFolders();
    KnownFolders(const KnownFolders&) = delete;
    KnownFolders& operator=(const KnownFolders&) = delete;

    bool Ready() const { return ready_; }
    FolderFixture& Disk() { return disk_; }
    PlatformServices Services() { return {*registry_, *files_, *shell_, *environment_}; }

    // Where a known folder really is; nothing when the system has none, or when it leads off the
    // drive the system is on (the Wine prefix's Desktop leads to the Linux home).
    std::optional<std::wstring> PathOf(KnownPlace place);
    // Makes a folder (it may be there already); it goes when this goes, if it was made here.
    std::optional<std::wstring> MakeFolder(const std::wstring& path);
    // The folder that holds the roaming AppData folder.
    std::optional<std::wstring> AppDataParent();
    // The root of the drive the system is on.
    std::optional<std::wstring> DriveRoot();
    // The root of another drive, which holds none of the system's folders: only the rule for drive
    // roots keeps it from a clean.
    std::optional<std::wstring> OtherDriveRoot();
    // The folder a Shell Folders value names now, made if it is not there.
    std::optional<std::wstring> DefaultShellFolder(const std::wstring& name);

private:
    // What the backend needs before the places can be asked for; false when it cannot be done.
    bool Prepare();
    void Unprepare();

    std::unique_ptr<RegistryApi> registry_ = MakeRegistry();
    std::unique_ptr<FileSystem> files_ = MakeFileSystem();
    std::unique_ptr<Shell> shell_ = MakeShell();
    std::unique_ptr<Environment> environment_ = MakeEnvironment();
    FolderFixture disk_;
    std::vector<std::unique_ptr<ShellFolderValue>> values_;
    std::vector<std::wstring> made_;
    bool ready_ = false;
};

}  // namespace nivaro
