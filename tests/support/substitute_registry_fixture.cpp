// The substitute registry makes links, denials and counted names itself.

#include <atomic>

#include "platform/substitute/substitute_registry.h"
#include "platform/utf16.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/registry_values.h"

namespace nivaro {
namespace {

SubstituteRegistry& Substitute(RegistryApi& registry)
{
    return dynamic_cast<SubstituteRegistry&>(registry);
}

}  // namespace

RegistryFixture::RegistryFixture(RegistryApi& registry) : registry_(registry)
{
    static std::atomic<unsigned> made{0};
    root_ = L"Software\\Nivaro Tests\\Fixture." + std::to_wstring(made++);
    (void)DeleteKeyTree(registry_, kCurrentUser, root_);
}

bool RegistryFixture::SetText(const std::wstring& key, std::wstring_view name, std::wstring_view text, RegistryRoot root)
{
    RegistryKey opened;
    std::wstring data(text);
    data.push_back(L'\0');
    return registry_.CreateKey(root, key, opened) == reg_status::kSuccess &&
           Substitute(registry_).SetValueCounted(opened, name, reg_type::kString, EncodeUtf16(data)) ==
               reg_status::kSuccess;
}

bool RegistryFixture::MakeLink(const std::wstring& link, const std::wstring& target, RegistryRoot targetRoot)
{
    if (Substitute(registry_).CreateLinkKey(kCurrentUser, link, SubstituteRegistry::NativeName(targetRoot, target)) !=
        reg_status::kSuccess) {
        return false;
    }
    links_.push_back(link);
    return true;
}

bool RegistryFixture::DenyValueChanges(const std::wstring& key)
{
    return Substitute(registry_).DenyValueChanges(kCurrentUser, key) == reg_status::kSuccess;
}

void RegistryFixture::RemoveLink(const std::wstring& link)
{
    (void)DeleteKeyTree(registry_, kCurrentUser, link);  // the substitute deletes a link key as itself
}

void RegistryFixture::AllowValueChanges(const std::wstring&) {}  // the whole tree goes anyway

}  // namespace nivaro
