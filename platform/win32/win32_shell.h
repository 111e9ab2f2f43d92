#pragma once
// The shell of the running system: a folder bound from its parsed name, its entries
// through the folder's IShellFolder, and the shell's own "delete" through an entry's context menu.

#include "platform/shell.h"

namespace nivaro::win32 {

class Win32Shell final : public Shell {
public:
    // The folder returned keeps a COM apartment of its own on the calling thread for its life;
    // callers set up nothing.
    Result<std::unique_ptr<ShellFolder>> NameSpace(std::wstring_view path) override;
};

}  // namespace nivaro::win32
