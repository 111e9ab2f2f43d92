#pragma once
// A shell folder of the tests' own, for entries that are no file-system objects: a folder whose
// desktop.ini names this class is shown by it. It lists the folder's files (desktop.ini aside) and
// the names in the desktop.ini's item section, and its "delete" verb takes such a name out of
// that section. It lets the real shell's verb path run under Wine, which has no namespace
// extension of its own in an ordinary folder.

#include <windows.h>

namespace nivaro::win32::testing {

// {7C1E3A52-9B4D-4E61-A8F2-5D0C6B3E9A17}
inline constexpr GUID kTestShellFolderClass = {0x7c1e3a52, 0x9b4d, 0x4e61, {0xa8, 0xf2, 0x5d, 0x0c, 0x6b, 0x3e, 0x9a, 0x17}};
inline constexpr wchar_t kTestShellFolderClassText[] = L"{7C1E3A52-9B4D-4E61-A8F2-5D0C6B3E9A17}";
// The desktop.ini section that holds the folder's made-up items, one key each.
inline constexpr wchar_t kVirtualItemsSection[] = L"Nivaro.VirtualItems";
// The DLL, beside the test programs.
inline constexpr wchar_t kTestShellFolderModule[] = L"nivaro_test_shell_folder.dll";

}  // namespace nivaro::win32::testing
