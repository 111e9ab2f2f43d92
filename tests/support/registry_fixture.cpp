#include "tests/support/registry_fixture.h"

#include <atomic>

#include "platform/utf16.h"
#include "tests/support/registry_values.h"

namespace nivaro {

RegistryFixture::~RegistryFixture()
{
    for (const std::wstring& link : links_) {
        RemoveLink(link);  // before the tree: deleting a tree would go through a link
    }
    for (const std::wstring& key : denied_) {
        AllowValueChanges(key);
    }
    (void)DeleteKeyTree(registry_, kCurrentUser, root_);
    if (usedMachine_) {
        (void)DeleteKeyTree(registry_, kLocalMachine, root_);
    }
}

}  // namespace nivaro
