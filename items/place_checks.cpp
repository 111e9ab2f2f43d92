#include "items/place_checks.h"

#include <map>
#include <mutex>

#include "items/builtin_items.h"
#include "items/folder_plan.h"
#include "items/protected_places.h"
#include "platform/name_case.h"

namespace nivaro {
namespace {

// Where a folder opened by a path really is, as the protected places compare it.
struct Resolved {
    std::wstring path;
    bool volumeRoot = false;
};

// A folder known only by where it really is: what the protected places ask of a known folder.
class ResolvedFolder final : public FolderHandle {
public:
    explicit ResolvedFolder(Resolved resolved) : resolved_(std::move(resolved)) {}

    const std::wstring& Path() const override { return resolved_.path; }
    bool IsVolumeRoot() const override { return resolved_.volumeRoot; }
    EntryOpening Open(std::wstring_view) override { return {}; }
    bool Holds(std::wstring_view) override { return false; }
    FolderOpening OpenSubfolder(std::wstring_view, bool) override { return {}; }
    DeleteOutcome RemoveIfEmpty() override { return DeleteOutcome::kRefused; }
    Result<bool> Next(std::vector<ShellEntry>&, std::size_t) override { return false; }

private:
    Resolved resolved_;
};

// The file system as the protected places see it: a folder opened by a path it has opened before
// is answered from what it found then.
class RememberedPlaces final : public FileSystem {
public:
    explicit RememberedPlaces(FileSystem& files) : files_(files) {}

    PathForm Form(std::wstring_view path) override { return files_.Form(path); }
    bool Exists(std::wstring_view path) override { return files_.Exists(path); }
    Result<std::string> ReadFile(std::wstring_view path) override { return files_.ReadFile(path); }
    wchar_t Separator() const override { return files_.Separator(); }

    Result<std::unique_ptr<FolderHandle>> OpenFolder(std::wstring_view path) override
    {
        const std::wstring key(path);
        {
            const std::lock_guard lock(Mutex());
            if (const auto found = Places().find(key); found != Places().end()) {
                return std::make_unique<ResolvedFolder>(found->second);
            }
        }
        auto opened = files_.OpenFolder(path);
        if (!opened) {
            return opened;  // not remembered: a folder that is not there now may come
        }
        Resolved resolved{(*opened)->Path(), (*opened)->IsVolumeRoot()};
        const std::lock_guard lock(Mutex());
        Places().insert_or_assign(key, resolved);
        return std::make_unique<ResolvedFolder>(std::move(resolved));
    }

private:
    static std::mutex& Mutex()
    {
        static std::mutex mutex;
        return mutex;
    }
    static std::map<std::wstring, Resolved>& Places()
    {
        static std::map<std::wstring, Resolved> places;
        return places;
    }

    FileSystem& files_;
};

// The Shell Folders values of the folders the main window's items clean.
constexpr std::wstring_view kOwnShellFolders[] = {L"History", L"Cookies", L"Cache"};

}  // namespace

std::optional<std::wstring> WhyProtectedNow(const PlatformServices& services, const FolderHandle& folder)
{
    RememberedPlaces places(services.files);
    return WhyProtected(folder, places, services.environment);
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
        RememberedPlaces places(services_.files);
        folders_.emplace();
        for (const std::wstring& folder : named) {
            if (auto opened = places.OpenFolder(folder)) {
                folders_->push_back((*opened)->Path());
            }
        }
    }
    return std::ranges::any_of(*folders_, [&](const std::wstring& own) { return SameName(own, path); });
}

}  // namespace nivaro
