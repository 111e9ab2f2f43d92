#include "items/builtin_items.h"

namespace nivaro {
namespace {

constexpr std::wstring_view kExplorer = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";

std::wstring ExplorerKey(std::wstring_view below)
{
    return std::wstring(kExplorer) + std::wstring(below);
}

FolderTarget InRecent(std::wstring below, std::wstring pattern)
{
    return {.form = FolderForm::kKnownFolder, .path = std::move(below), .place = KnownPlace::kRecent,
            .patterns = {std::move(pattern)}};
}

}  // namespace

const std::vector<ItemDefinition>& BuiltinItems()
{
    static const std::vector<ItemDefinition> items = {
        {.id = "run-box",
         .title = L"Run box history",
         .group = std::wstring(kWindowsGroup),
         .description = L"The Run box forgets the commands typed into it.",
         .targets = {RegistryTarget{.key = ExplorerKey(L"RunMRU")}}},
        {.id = "address-bar",
         .title = L"Explorer address bar",
         .group = std::wstring(kWindowsGroup),
         .description = L"File Explorer's address bar forgets the paths typed into it.",
         .targets = {RegistryTarget{.key = ExplorerKey(L"TypedPaths")}}},
        {.id = "search-box",
         .title = L"Explorer search box",
         .group = std::wstring(kWindowsGroup),
         .description = L"File Explorer's search box forgets what was searched for.",
         .targets = {RegistryTarget{.key = ExplorerKey(L"WordWheelQuery")}}},
        {.id = "open-save",
         .title = L"Open and Save dialogs",
         .group = std::wstring(kWindowsGroup),
         .description = L"The Open and Save dialogs forget the folders and files last used in them.",
         .targets = {RegistryTarget{.key = ExplorerKey(L"ComDlg32\\LastVisitedPidlMRU")},
                     RegistryTarget{.key = ExplorerKey(L"ComDlg32\\OpenSavePidlMRU"), .eachSubkey = true}}},
        {.id = "recent-items",
         .title = L"Recent items",
         .group = std::wstring(kWindowsGroup),
         .description = L"Start and File Explorer forget the recently opened files; the files themselves stay.",
         .targets = {InRecent(L"", L"*.lnk")}},
        {.id = "jump-lists",
         .title = L"Jump lists",
         .group = std::wstring(kWindowsGroup),
         .description = L"The taskbar's jump lists forget their recent files, and the entries pinned to them go too.",
         .onByDefault = false,
         .targets = {InRecent(L"AutomaticDestinations", L"*.automaticDestinations-ms"),
                     InRecent(L"CustomDestinations", L"*.customDestinations-ms")}},
        {.id = "temp-files",
         .title = L"Temporary files",
         .group = std::wstring(kWindowsGroup),
         .description = L"The files directly in the temporary folder go; those in use stay, and so do its folders.",
         .onByDefault = false,
         .targets = {FolderTarget{.form = FolderForm::kKnownFolder, .place = KnownPlace::kTemp}}},
    };
    return items;
}

}  // namespace nivaro
