#include "platform/substitute/substitute_environment.h"

#include <cstdlib>
#include <memory>

#include "platform/backend.h"
#include "platform/substitute/native_path.h"
#include "platform/variables.h"

namespace nivaro {
namespace {

struct KnownFolders {
    std::mutex mutex;
    std::map<KnownPlace, std::wstring> paths;
    std::vector<SystemFolder> others;
    WindowsVersion windows{10, 0};
};

KnownFolders& Shared()
{
    static KnownFolders folders;
    return folders;
}

}  // namespace

std::optional<std::wstring> SubstituteEnvironment::KnownFolder(KnownPlace place)
{
    KnownFolders& folders = Shared();
    const std::lock_guard lock(folders.mutex);
    if (const auto found = folders.paths.find(place); found != folders.paths.end()) {
        return found->second;
    }
    if (place == KnownPlace::kTemp) {
        const char* temp = std::getenv("TMPDIR");
        return FromNativePath(temp != nullptr && *temp != '\0' ? temp : "/tmp");
    }
    return std::nullopt;
}

std::vector<SystemFolder> SubstituteEnvironment::SystemFolders()
{
    KnownFolders& folders = Shared();
    const std::lock_guard lock(folders.mutex);
    return folders.others;
}

void SubstituteEnvironment::SetOtherSystemFolders(std::vector<SystemFolder> others)
{
    KnownFolders& folders = Shared();
    const std::lock_guard lock(folders.mutex);
    folders.others = std::move(others);
}

void SubstituteEnvironment::SetKnownFolder(KnownPlace place, std::optional<std::wstring> path)
{
    KnownFolders& folders = Shared();
    const std::lock_guard lock(folders.mutex);
    if (path) {
        folders.paths[place] = std::move(*path);
    } else {
        folders.paths.erase(place);
    }
}

// %NAME% as Windows expands it, from the process's own variables.
std::wstring SubstituteEnvironment::Expand(std::wstring_view text)
{
    return ReplaceVariables(text, [](std::wstring_view name) -> std::optional<std::wstring> {
        const char* value = std::getenv(ToNativePath(name).c_str());
        return value == nullptr ? std::nullopt : std::optional(FromNativePath(value));
    });
}

std::wstring SubstituteEnvironment::GroupedCount(std::uint64_t count)
{
    const std::wstring digits = std::to_wstring(count);
    std::wstring grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            grouped.push_back(L',');
        }
        grouped.push_back(digits[i]);
    }
    return grouped;
}

WindowsVersion SubstituteEnvironment::RunningWindows()
{
    KnownFolders& shared = Shared();
    const std::lock_guard lock(shared.mutex);
    return shared.windows;
}

void SubstituteEnvironment::SetRunningWindows(WindowsVersion version)
{
    KnownFolders& shared = Shared();
    const std::lock_guard lock(shared.mutex);
    shared.windows = version;
}

std::unique_ptr<Environment> MakeEnvironment()
{
    return std::make_unique<SubstituteEnvironment>();
}

}  // namespace nivaro
