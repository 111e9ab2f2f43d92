#include "tests/support/known_folders.h"

#include <algorithm>

#include "items/folder_plan.h"

namespace nivaro {

KnownFolders::KnownFolders() : ready_(!disk_.Root().empty() && Prepare()) {}

KnownFolders::~KnownFolders()
{
    // Deepest first: a folder goes only once it is empty, and then only if it was made here.
    std::ranges::sort(made_, std::greater<>());
    for (const std::wstring& folder : made_) {
        disk_.RemoveEmptyFolder(folder);
    }
    Unprepare();
}

std::optional<std::wstring> KnownFolders::PathOf(KnownPlace place)
{
    const std::optional<std::wstring> named = environment_->KnownFolder(place);
    const std::optional<std::wstring> root = DriveRoot();
    if (!named || !root) {
        return std::nullopt;
    }
    auto folder = files_->OpenFolder(*named);
    if (!folder) {
        return std::nullopt;
    }
    const std::wstring where = (*folder)->Path();
    if (!where.starts_with(*root)) {
        return std::nullopt;
    }
    return where;
}

std::optional<std::wstring> KnownFolders::MakeFolder(const std::wstring& path)
{
    if (!disk_.Exists(path)) {
        if (!disk_.MakeFolder(path)) {
            return std::nullopt;
        }
        made_.push_back(path);
    }
    return path;
}

std::optional<std::wstring> KnownFolders::AppDataParent()
{
    const std::optional<std::wstring> roaming = PathOf(KnownPlace::kRoamingAppData);
    if (!roaming) {
        return std::nullopt;
    }
    return roaming->substr(0, roaming->find_last_of(files_->Separator()));
}

std::optional<std::wstring> KnownFolders::SystemFolderNamed(std::wstring_view name)
{
    const std::optional<std::wstring> named = NamedSystemFolder(name);
    if (!named) {
        return std::nullopt;
    }
    auto opened = files_->OpenFolder(*named);
    return opened ? std::optional((*opened)->Path()) : std::nullopt;
}

std::optional<std::wstring> KnownFolders::DefaultShellFolder(const std::wstring& name)
{
    Result<std::wstring> path = ResolveFolderSetting(Services(), L"%" + name);
    if (!path || path->empty()) {
        return std::nullopt;
    }
    // Its parents first: a fresh prefix may have none of them yet.
    for (std::size_t at = path->find(files_->Separator(), 3); at != std::wstring::npos;
         at = path->find(files_->Separator(), at + 1)) {
        (void)MakeFolder(path->substr(0, at));
    }
    return MakeFolder(*path);
}

}  // namespace nivaro
