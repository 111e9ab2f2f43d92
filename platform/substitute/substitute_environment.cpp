#include "platform/substitute/substitute_environment.h"

#include <cstdlib>
#include <memory>

#include "platform/backend.h"
#include "platform/substitute/native_path.h"

namespace nivaro {
namespace {

struct KnownFolders {
    std::mutex mutex;
    std::map<KnownPlace, std::wstring> paths;
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

// %NAME% as Windows expands it: a name that is not set, and a lone %, stay as they are.
std::wstring SubstituteEnvironment::Expand(std::wstring_view text)
{
    std::wstring out;
    while (!text.empty()) {
        const std::size_t open = text.find(L'%');
        const std::size_t close = open == std::wstring_view::npos ? open : text.find(L'%', open + 1);
        if (close == std::wstring_view::npos) {
            out.append(text);
            break;
        }
        out.append(text.substr(0, open));
        const std::wstring_view name = text.substr(open + 1, close - open - 1);
        const char* value = name.empty() ? nullptr : std::getenv(ToNativePath(name).c_str());
        if (value == nullptr) {
            out.append(text.substr(open, close - open));  // the closing % may open the next name
            text.remove_prefix(close);
            continue;
        }
        out.append(FromNativePath(value));
        text.remove_prefix(close + 1);
    }
    return out;
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
