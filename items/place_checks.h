#pragma once
// The questions a run asks of every folder it reaches before it cleans or removes one: is it a
// protected place, and is it one of the folders the program's own items clean. Both are answered
// from the known folders' real places, each found once, not again for every folder.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "items/protected_places.h"
#include "platform/file_system.h"
#include "platform/services.h"

namespace nivaro {

// Why the folder may not be cleaned, as WhyProtected says, asked through the run's own services.
std::optional<std::wstring> WhyProtectedNow(const PlatformServices& services, const FolderHandle& folder,
                                            Reach reach = Reach::kAnywhere);

// The folders that the program's own items clean (History, Cookies, the temporary folder, Recent
// and the jump-list folders), where they really are, found the first time they are asked of: a
// folder an item may remove once emptied is never one of them.
class OwnItemFolders {
public:
    explicit OwnItemFolders(const PlatformServices& services) : services_(services) {}

    bool IsOne(std::wstring_view path);

private:
    const PlatformServices& services_;
    std::optional<std::vector<std::wstring>> folders_;
};

}  // namespace nivaro
