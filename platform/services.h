#pragma once
// The platform services that cleaning items work through.

#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace nivaro {

struct PlatformServices {
    RegistryApi& registry;
    FileSystem& files;
    Shell& shell;
    Environment& environment;
};

// Platform services that live on one thread and go with it.
class ServiceSet {
public:
    virtual ~ServiceSet() = default;
    virtual PlatformServices Services() = 0;
};

}  // namespace nivaro
