#include "platform/substitute/substitute_registry.h"
#include "tests/support/registry_values.h"

namespace nivaro {

long DeleteKeyTree(RegistryApi& registry, RegistryRoot root, std::wstring_view path)
{
    return dynamic_cast<SubstituteRegistry&>(registry).DeleteTree(root, path);
}

}  // namespace nivaro
