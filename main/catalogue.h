#pragma once
// Every item the program knows, as one table of definitions: the main window's six in window
// order (from its layout table), the built-in Windows traces, and the user's own items from their
// items file. The window, its tooltips, the second window and the command line all take their
// items from here, and all run them through the one engine.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "items/item_definition.h"
#include "items/items_file.h"
#include "main/item_layout.h"
#include "main/refused_lines.h"
#include "platform/services.h"

namespace nivaro {

inline constexpr std::wstring_view kWindowGroup = L"Nivaro";

struct CatalogueItem {
    ItemDefinition definition;
    const ControlLayout* control = nullptr;  // one of the main window's six: its row of the layout
};

// The user's items file as it was read: its items and keep-lists, the fate of each of its lines,
// or the one reason it could not be read.
struct UserItems {
    std::wstring path;
    std::optional<ItemsFile> file;      // nothing when there is no file
    std::optional<std::wstring> error;  // the file is there but could not be read
};

// The file at `path`, or by default %AppData%\Nivaro\items.ini, which need not exist.
UserItems ReadUserItems(const PlatformServices& services, const std::optional<std::wstring>& path);

// What is wrong with the user's items file, a line of text each: the reason it could not be read,
// or its counts and its refused lines by reason, every one or the first `shown` of each (see
// DescribeRefusals). None when all is well.
std::vector<std::wstring> UserItemsProblems(const UserItems& user, std::size_t shown = kEveryLine,
                                            const CountFormat& count = [](std::uint64_t n) { return std::to_wstring(n); });

// Whether one of the user's items is for this machine: for its version of Windows, and with one of
// its keys or files there.
bool IsShownHere(const PlatformServices& services, const ItemsFile& file, const ItemDefinition& item);

// Whether an items file's section of this name is a keep-list for an item of the program's own.
bool IsOwnItemId(std::string_view id);

// Whether the item is in the group of this name, or in one of the groups under it: "Browsers"
// holds "Browsers: Edge".
bool InGroup(const ItemDefinition& item, std::wstring_view group);

class Catalogue {
public:
    // Your items that no key or file of theirs shows to be there are left out.
    static Catalogue Build(const PlatformServices& services, const UserItems& user);

    const std::vector<CatalogueItem>& Items() const { return items_; }
    const CatalogueItem* Find(std::string_view id) const;

private:
    std::vector<CatalogueItem> items_;
};

}  // namespace nivaro
