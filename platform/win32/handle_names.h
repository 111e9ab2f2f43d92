#pragma once
// Where a handle really is, asked of the handle itself: the object manager's name for it, the
// path people write for it, and whether an entry opened relative to a folder is in that folder.

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/win32/final_path.h"

namespace nivaro::win32 {

// The names of a folder held by handle.
struct FolderNames {
    std::wstring objectName;  // what its entries' names are compared with
    std::wstring final;       // \\?\C:\dir
    std::wstring path;        // C:\dir

    // C:\ once the \\?\ is off, or a volume's own name, \\?\Volume{...}\.
    bool IsVolumeRoot() const;
};

// The names of a folder whose object name and final path are known already.
FolderNames FolderNamesOf(std::wstring objectName, std::wstring final);

// Fails when the handle is on no folder, or where it is cannot be told.
Result<FolderNames> NamesOfFolder(HANDLE folder);

// Where an entry opened relative to the folder of this object name really is.
EntryLocation LocationOf(HANDLE entry, const std::wstring& folderObjectName);

}  // namespace nivaro::win32
