#include "items/nv_folder.h"

#include "items/folder_entries.h"
#include "registry/mod_reg.h"

namespace nivaro {

std::wstring NvFolder::ResolvePath() const
{
    if (folder_.starts_with(L'%')) {
        return GetRegString(services_.registry, kCurrentUser, kShellFoldersKey, std::wstring_view(folder_).substr(1));
    }
    return folder_;
}

void NvFolder::InitProperties()
{
    folder_.clear();
    InitTitle();
}

Result<> NvFolder::ReadProperties(const PropertySet& set)
{
    auto folder = set.ReadText(L"Folder", L"");
    if (!folder) {
        return std::unexpected(folder.error());
    }
    if (auto title = ReadTitle(set); !title) {
        return title;
    }
    folder_ = std::move(*folder);
    return ShowTitle();
}

void NvFolder::WriteProperties(PropertySet& set) const
{
    set.Write(L"Folder", folder_, std::wstring());
    WriteTitle(set);
}

Result<> NvFolder::Start()
{
    const std::wstring path = ResolvePath();
    const std::optional<std::uint32_t> attributes = services_.files.Attributes(path);
    if (!attributes || (*attributes & file_attr::kDirectory) == 0) {
        (void)SetStatus(item_text::kFolderMissing);
        (void)ResetBand();
        return {};
    }

    {
        auto folder = services_.shell.NameSpace(path);
        (void)ResetBand();
        (void)SetStatus(item_text::kRemoving);
        std::size_t cleaned = 0;
        if (folder) {
            // The entries are taken once: every entry the folder holds now is worked on exactly
            // once, however the folder's own list shifts as entries go.
            if (auto entries = (*folder)->Items()) {
                cleaned = WorkThrough(**folder, *entries);
            }
        }
        (void)SetStatus(CountText(static_cast<long long>(cleaned)));
    }  // the namespace folder is released here, before the last band reset
    (void)ResetBand();
    return {};
}

std::size_t NvFolder::WorkThrough(ShellFolder& folder, std::span<const ShellEntry> entries) const
{
    std::size_t cleaned = 0;
    (void)Site().SetBandProgress(0.0);
    for (std::size_t pass = 0; pass < entries.size(); ++pass) {
        Site().PumpEvents();
        if (CleanEntry(folder, entries[pass])) {
            ++cleaned;
        }
        (void)Site().SetBandProgress(static_cast<double>(pass + 1) / static_cast<double>(entries.size()));
    }
    return cleaned;
}

bool NvFolder::CleanEntry(ShellFolder& folder, const ShellEntry& entry) const
{
    std::optional<DirectoryEntry> found;
    if (!entry.path.empty()) {
        found = services_.files.FindEntry(entry.path);
    }
    switch (DecideEntry(entry, found).action) {
    case EntryAction::kRemoveFile:
        return services_.files.RemoveFile(entry.path) == file_status::kSuccess;
    case EntryAction::kShellDelete:
        return folder.InvokeDelete(entry).value_or(false);
    case EntryAction::kLeave:
        return false;
    }
    return false;
}

}  // namespace nivaro
