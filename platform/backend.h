#pragma once
// The platform services of whichever backend the program is linked with: the real one on
// Windows, the substitute elsewhere.

#include <memory>

#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace nivaro {

std::unique_ptr<RegistryApi> MakeRegistry();
std::unique_ptr<FileSystem> MakeFileSystem();
std::unique_ptr<Shell> MakeShell();
std::unique_ptr<Environment> MakeEnvironment();

}  // namespace nivaro
