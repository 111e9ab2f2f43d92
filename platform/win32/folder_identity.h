#pragma once
// What a folder is, whatever path reaches it: its volume's serial number and its number on the
// volume; and the same of the folders that hold it, past a Wine drive's root into the Linux tree.

#include <windows.h>

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/error.h"
#include "platform/file_system.h"

namespace nivaro::win32 {

// The identity of the folder a handle holds, whose final path is `final`.
Result<FolderIdentity> IdentityOf(HANDLE folder, std::wstring_view final);

// The folder's identity, then that of each folder that holds it, nearest first: up its final
// path to the root, and under Wine on past a drive's root through the folders of the Linux tree
// that hold the drive. The walk ends at the first folder in `known`, which ends the list.
std::vector<FolderIdentity> LineageOf(const FolderIdentity& folder, std::wstring_view final,
                                      std::span<const FolderIdentity> known);

// True when, under Wine, a final path lies on the drive that maps the Linux root, or on no drive.
bool OutsideTheDrives(std::wstring_view final);

}  // namespace nivaro::win32
