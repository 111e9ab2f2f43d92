#pragma once
// The platform services of whichever backend the program is linked with: the real one on
// Windows, the substitute elsewhere.

#include <memory>

#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/shell.h"

namespace nivaro {

std::unique_ptr<RegistryApi> MakeRegistry();
std::unique_ptr<FileSystem> MakeFileSystem();
std::unique_ptr<Shell> MakeShell();
std::unique_ptr<Environment> MakeEnvironment();

// A set of this backend's services of its own, for a thread that works apart from the window's.
class BackendServices final : public ServiceSet {
public:
    PlatformServices Services() override { return {*registry_, *files_, *shell_, *environment_}; }

private:
    std::unique_ptr<RegistryApi> registry_ = MakeRegistry();
    std::unique_ptr<FileSystem> files_ = MakeFileSystem();
    std::unique_ptr<Shell> shell_ = MakeShell();
    std::unique_ptr<Environment> environment_ = MakeEnvironment();
};

}  // namespace nivaro
