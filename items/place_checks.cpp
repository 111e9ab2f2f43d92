#include "items/place_checks.h"

#include "items/builtin_items.h"
#include "items/folder_plan.h"
#include "items/protected_places.h"
#include "platform/name_case.h"

namespace nivaro {
namespace {

// The Shell Folders values of the folders the main window's items clean.
constexpr std::wstring_view kOwnShellFolders[] = {L"History", L"Cookies", L"Cache"};

}  // namespace

std::optional<std::wstring> WhyProtectedNow(const PlatformServices& services, const FolderHandle& folder, Reach reach)
{
    return WhyProtected(folder, services.files, services.environment, reach);
}

bool OwnItemFolders::IsOne(std::wstring_view path)
{
    if (!folders_) {
        std::vector<std::wstring> named;
        RegistryKey shellFolders;
        if (services_.registry.OpenKey(kCurrentUser, kShellFoldersKey, KeyAccess::kQuery, shellFolders) ==
            reg_status::kSuccess) {
            for (std::wstring_view value : kOwnShellFolders) {
                const std::wstring name(value);
                if (Result<std::wstring> folder =
                        FolderOfShellValue(services_, name, ReadTypedText(services_.registry, shellFolders, name))) {
                    named.push_back(std::move(*folder));
                }
            }
        }
        for (KnownPlace place : {KnownPlace::kTemp, KnownPlace::kRecent}) {
            if (std::optional<std::wstring> folder = services_.environment.KnownFolder(place)) {
                named.push_back(std::move(*folder));
            }
        }
        for (const ItemDefinition& item : BuiltinItems()) {
            for (const ItemTarget& target : item.targets) {
                if (const auto* folder = std::get_if<FolderTarget>(&target)) {
                    if (Result<std::wstring> resolved = ResolveFolder(services_, *folder)) {
                        named.push_back(std::move(*resolved));
                    }
                }
            }
        }
        folders_.emplace();
        for (const std::wstring& folder : named) {
            if (auto opened = services_.files.OpenFolder(folder)) {
                folders_->push_back((*opened)->Path());
            }
        }
    }
    return std::ranges::any_of(*folders_, [&](const std::wstring& own) { return SameName(own, path); });
}

}  // namespace nivaro
