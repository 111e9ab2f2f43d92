#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "platform/file_system.h"
#include "tests/support/folder_fixture.h"
#include "platform/substitute/disk_marks.h"
#include "platform/substitute/native_path.h"
#include "platform/substitute/substitute_environment.h"

namespace nivaro {
namespace {

namespace fs = std::filesystem;

fs::path Native(std::wstring_view path)
{
    return fs::path(ToNativePath(path));
}

class MarkedHold final : public FileHold {
public:
    explicit MarkedHold(std::wstring path) : path_(std::move(path)) { SharedDiskMarks().Hold(path_); }
    ~MarkedHold() override { SharedDiskMarks().Release(path_); }
    MarkedHold(const MarkedHold&) = delete;
    MarkedHold& operator=(const MarkedHold&) = delete;

private:
    std::wstring path_;
};

Result<> LinkResult(const std::error_code& error)
{
    if (error) {
        return Fail(error.value(), FromNativePath(error.message()));
    }
    return {};
}

}  // namespace

FolderFixture::FolderFixture()
{
    // Tests run side by side in processes of their own, so the process id keeps folders apart.
    static std::atomic<unsigned> made{0};
    std::error_code error;
    const fs::path temp = fs::temp_directory_path(error);
    if (error) {
        return;
    }
    const std::string name = "nivaro-folder-" + std::to_string(::getpid()) + "-" + std::to_string(made++);
    const fs::path root = temp / name;
    fs::remove_all(root, error);  // what an earlier process of the same id left behind
    if (fs::create_directory(root, error)) {
        root_ = FromNativePath(root.native());
    }
}

void FolderFixture::StandInForTheProfile()
{
    SubstituteEnvironment::SetKnownFolder(KnownPlace::kProfile, root_);
    standsInForTheProfile_ = true;
}

FolderFixture::~FolderFixture()
{
    if (standsInForTheProfile_) {
        SubstituteEnvironment::SetKnownFolder(KnownPlace::kProfile, std::nullopt);
    }
    if (root_.empty()) {
        return;
    }
    std::error_code error;
    fs::remove_all(Native(root_), error);  // removes links as links
    SharedDiskMarks().Forget(root_);
}

wchar_t FolderFixture::Separator()
{
    return L'/';
}

bool FolderFixture::MakeFile(std::wstring_view path, std::uint64_t bytes) const
{
    const fs::path native = Native(path);
    std::error_code error;
    if (fs::exists(fs::symlink_status(native, error))) {
        return false;
    }
    std::ofstream file(native, std::ios::binary);
    if (!file) {
        return false;
    }
    if (bytes > 0) {
        file.seekp(static_cast<std::streamoff>(bytes - 1));
        file.put('\0');
    }
    return static_cast<bool>(file.flush());
}

bool FolderFixture::MakeFolder(std::wstring_view path) const
{
    std::error_code error;
    return fs::create_directory(Native(path), error);
}

bool FolderFixture::Mark(std::wstring_view path, FileMarks marks) const
{
    std::error_code error;
    if (!fs::exists(fs::symlink_status(Native(path), error))) {
        return false;
    }
    std::uint32_t attributes = 0;
    attributes |= marks.hidden ? file_attr::kHidden : 0;
    attributes |= marks.system ? file_attr::kSystem : 0;
    attributes |= marks.readOnly ? file_attr::kReadOnly : 0;
    SharedDiskMarks().SetAttributes(path, attributes);
    return true;
}

std::unique_ptr<FileHold> FolderFixture::HoldWithoutDeleteSharing(std::wstring_view path) const
{
    std::error_code error;
    if (!fs::is_regular_file(Native(path), error)) {
        return nullptr;
    }
    return std::make_unique<MarkedHold>(std::wstring(path));
}

Result<> FolderFixture::MakeFileLink(std::wstring_view link, std::wstring_view target) const
{
    std::error_code error;
    fs::create_symlink(Native(target), Native(link), error);
    return LinkResult(error);
}

Result<> FolderFixture::MakeFolderLink(std::wstring_view link, std::wstring_view target) const
{
    std::error_code error;
    fs::create_directory_symlink(Native(target), Native(link), error);
    return LinkResult(error);
}

Result<> FolderFixture::AddVirtualItem(std::wstring_view folder, std::wstring_view name) const
{
    SharedDiskMarks().AddVirtualItem(folder, name);
    return {};
}

bool FolderFixture::WriteFile(std::wstring_view path, std::string_view bytes) const
{
    std::error_code error;
    if (fs::exists(fs::symlink_status(Native(path), error))) {
        return false;
    }
    std::ofstream out(Native(path), std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool FolderFixture::RemoveEmptyFolder(std::wstring_view path) const
{
    std::error_code error;
    return fs::is_directory(fs::symlink_status(Native(path), error)) && fs::remove(Native(path), error);
}

bool FolderFixture::RemoveFile(std::wstring_view path) const
{
    std::error_code error;
    const bool removed = fs::remove(Native(path), error);
    SharedDiskMarks().Forget(path);
    return removed;
}

bool FolderFixture::MoveFolder(std::wstring_view from, std::wstring_view to) const
{
    std::error_code error;
    fs::rename(Native(from), Native(to), error);
    return !error;
}

std::size_t FolderFixture::OpenHandles()
{
    std::error_code error;
    const auto listing = fs::directory_iterator("/proc/self/fd", error);
    return error ? 0 : static_cast<std::size_t>(std::distance(fs::begin(listing), fs::end(listing)));
}

std::optional<std::wstring> FolderFixture::LongForm(std::wstring_view)
{
    return std::nullopt;
}

std::optional<std::wstring> FolderFixture::SlashForm(std::wstring_view)
{
    return std::nullopt;
}

std::wstring FolderFixture::NetworkPath()
{
    return L"//nivaro-nowhere/share/traces";
}

void FolderFixture::SetVariable(std::wstring_view name, std::wstring_view value)
{
    ::setenv(ToNativePath(name).c_str(), ToNativePath(value).c_str(), 1);
}

bool FolderFixture::Exists(std::wstring_view path) const
{
    std::error_code error;
    return fs::exists(fs::symlink_status(Native(path), error));
}

std::optional<std::uint64_t> FolderFixture::FileSize(std::wstring_view path) const
{
    std::error_code error;
    const std::uintmax_t size = fs::file_size(Native(path), error);
    if (error) {
        return std::nullopt;
    }
    return size;
}

std::map<std::wstring, FolderFixture::TreeEntry> FolderFixture::Tree(std::wstring_view folder,
                                                                   std::wstring_view sizeOnly) const
{
    std::map<std::wstring, TreeEntry> tree;
    std::error_code error;
    const fs::path root = Native(folder);
    for (fs::recursive_directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
        const std::wstring key = FromNativePath(it->path().lexically_relative(root).generic_string());
        const fs::file_status own = it->symlink_status(error);
        // As Wine lists it: a link looks like what it points at, and is never entered.
        const fs::file_status seen = fs::is_symlink(own) ? it->status(error) : own;
        TreeEntry& entry = tree[key];
        entry.folder = fs::is_directory(seen);
        if (fs::is_regular_file(seen)) {
            entry.size = fs::file_size(it->path(), error);
            if (!key.starts_with(std::wstring(sizeOnly) + L"/")) {
                std::ifstream in(it->path(), std::ios::binary);
                entry.bytes = std::string(std::istreambuf_iterator<char>(in), {});
            }
        }
        error.clear();
    }
    return tree;
}

std::optional<std::uint32_t> FolderFixture::Attributes(std::wstring_view path) const
{
    std::error_code error;
    const fs::file_status status = fs::symlink_status(Native(path), error);
    if (error || !fs::exists(status)) {
        return std::nullopt;
    }
    return SharedDiskMarks().Attributes(path) | (fs::is_directory(status) ? file_attr::kDirectory : file_attr::kArchive);
}

std::vector<std::wstring> FolderFixture::Names(std::wstring_view folder) const
{
    std::vector<std::wstring> names;
    std::error_code error;
    for (fs::directory_iterator it(Native(folder), error), end; !error && it != end; it.increment(error)) {
        names.push_back(FromNativePath(it->path().filename().native()));
    }
    std::ranges::sort(names);
    return names;
}

}  // namespace nivaro
