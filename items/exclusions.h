#pragma once
// What an item's exclusions keep: the folders and entries they name, found where they really are
// before anything is listed, and the keys and values they name. An exclusion that cannot be
// understood keeps everything it could have named: no folder of the item is cleaned.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "items/item_definition.h"
#include "items/item_plan.h"
#include "platform/error.h"
#include "platform/services.h"

namespace nivaro {

// An item's file exclusions, each as the folders it names now.
class FileExclusions {
public:
    // Resolves each; a folder that is not there keeps nothing, being empty of all it could keep.
    static FileExclusions Resolve(const PlatformServices& services, std::span<const Exclusion> exclusions);

    // Why no folder of the item may be cleaned: an exclusion that cannot be understood.
    const std::optional<Error>& Problem() const { return problem_; }
    // What the exclusions keep of a folder's entries, the folder being where it really is.
    FolderRules RulesFor(std::wstring_view folder) const;

private:
    struct Kept {
        std::wstring folder;                // where it really is
        bool below = false;                 // the folders below it too
        std::vector<std::wstring> patterns;  // none for every entry
    };
    std::vector<Kept> kept_;
    std::optional<Error> problem_;
    wchar_t separator_ = L'\\';
};

// Whether an entry is kept by what a folder's rules say.
bool ExcludedBy(const FolderRules& rules, const ShellEntry& entry);

// Whether the registry exclusions keep the key (the key itself or one above it is named), or one
// value of the key.
bool ExcludesKey(std::span<const Exclusion> exclusions, RegistryRoot root, std::wstring_view key);
bool ExcludesValue(std::span<const Exclusion> exclusions, RegistryRoot root, std::wstring_view key,
                   std::wstring_view value);

}  // namespace nivaro
