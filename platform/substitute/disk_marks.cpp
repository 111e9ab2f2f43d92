#include "platform/substitute/disk_marks.h"

#include <algorithm>
#include <filesystem>

#include "platform/file_system.h"
#include "platform/substitute/native_path.h"

namespace nivaro {
namespace {

constexpr std::uint32_t kKeptBits = file_attr::kReadOnly | file_attr::kHidden | file_attr::kSystem;

std::string Key(std::wstring_view path)
{
    std::string key = std::filesystem::path(ToNativePath(path)).lexically_normal().native();
    while (key.size() > 1 && key.back() == '/') {
        key.pop_back();
    }
    return key;
}

template <class Map>
void EraseTree(Map& map, const std::string& root)
{
    const std::string under = root == "/" ? root : root + "/";
    map.erase(root);
    for (auto it = map.lower_bound(under); it != map.end() && it->first.starts_with(under);) {
        it = map.erase(it);
    }
}

}  // namespace

void DiskMarks::SetAttributes(std::wstring_view path, std::uint32_t attributes)
{
    const std::lock_guard lock(mutex_);
    if ((attributes & kKeptBits) == 0) {
        attributes_.erase(Key(path));
    } else {
        attributes_[Key(path)] = attributes & kKeptBits;
    }
}

std::uint32_t DiskMarks::Attributes(std::wstring_view path) const
{
    const std::lock_guard lock(mutex_);
    const auto found = attributes_.find(Key(path));
    return found == attributes_.end() ? 0 : found->second;
}

void DiskMarks::Hold(std::wstring_view path)
{
    const std::lock_guard lock(mutex_);
    ++holds_[Key(path)];
}

void DiskMarks::Release(std::wstring_view path)
{
    const std::lock_guard lock(mutex_);
    const auto found = holds_.find(Key(path));
    if (found != holds_.end() && --found->second <= 0) {
        holds_.erase(found);
    }
}

bool DiskMarks::IsHeld(std::wstring_view path) const
{
    const std::lock_guard lock(mutex_);
    return holds_.contains(Key(path));
}

void DiskMarks::AddVirtualItem(std::wstring_view folder, std::wstring_view name)
{
    const std::lock_guard lock(mutex_);
    virtualItems_[Key(folder)].emplace_back(name);
}

bool DiskMarks::RemoveVirtualItem(std::wstring_view folder, std::wstring_view name)
{
    const std::lock_guard lock(mutex_);
    const auto found = virtualItems_.find(Key(folder));
    if (found == virtualItems_.end()) {
        return false;
    }
    auto& items = found->second;
    const auto item = std::ranges::find(items, name);
    if (item == items.end()) {
        return false;
    }
    items.erase(item);
    return true;
}

std::vector<std::wstring> DiskMarks::VirtualItems(std::wstring_view folder) const
{
    const std::lock_guard lock(mutex_);
    const auto found = virtualItems_.find(Key(folder));
    return found == virtualItems_.end() ? std::vector<std::wstring>() : found->second;
}

void DiskMarks::AddVolumeRoot(std::wstring_view folder)
{
    const std::lock_guard lock(mutex_);
    volumeRoots_[Key(folder)] = true;
}

bool DiskMarks::IsVolumeRoot(std::wstring_view folder) const
{
    const std::lock_guard lock(mutex_);
    return volumeRoots_.contains(Key(folder));
}

void DiskMarks::Forget(std::wstring_view path)
{
    const std::lock_guard lock(mutex_);
    const std::string key = Key(path);
    EraseTree(volumeRoots_, key);
    EraseTree(attributes_, key);
    EraseTree(holds_, key);
    EraseTree(virtualItems_, key);
}

DiskMarks& SharedDiskMarks()
{
    static DiskMarks marks;
    return marks;
}

}  // namespace nivaro
