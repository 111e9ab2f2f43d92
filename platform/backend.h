#pragma once
// The platform services of whichever backend the program is linked with: the real one on
// Windows, the substitute elsewhere.

#include <memory>

#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace nivaro {

std::unique_ptr<RegistryApi> MakeRegistry();
std::unique_ptr<FileSystem> MakeFileSystem();
std::unique_ptr<Shell> MakeShell();

}  // namespace nivaro
