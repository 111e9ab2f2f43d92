#include "tests/support/layout_traces.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "main/item_layout.h"
#include "platform/utf16.h"
#include "registry/mod_reg.h"
#include "tests/support/registry_values.h"

namespace nivaro::testing {
namespace {

constexpr std::wstring_view kKeptSubkey = L"Kept";
constexpr std::wstring_view kKeptDefault = L"the default value stays";

std::wstring RegKeyOf(std::string_view id)
{
    for (const ControlLayout& control : kItemLayout) {
        if (control.id == id) {
            return std::wstring(std::get<std::wstring_view>(control.stored[0].value));
        }
    }
    return {};
}

std::vector<std::byte> Text(std::wstring_view text)
{
    std::vector<std::byte> bytes = EncodeUtf16(text);
    bytes.resize(bytes.size() + 2);  // the terminating NUL
    return bytes;
}

void SetValue(RegistryApi& registry, const std::wstring& path, std::wstring_view name, std::wstring_view text)
{
    RegistryKey key;
    if (registry.CreateKey(kCurrentUser, path, key) == reg_status::kSuccess) {
        registry.SetValue(key, name, reg_type::kString, Text(text));
    }
}

}  // namespace

const std::map<std::string, int>& LayoutTraces::ValuesPerList()
{
    static const std::map<std::string, int> kValues = {{"typed-urls", 5}, {"recent-docs", 3}, {"paint", 4}, {"search", 2}};
    return kValues;
}

LayoutTraces::LayoutTraces(RegistryApi& registry, FileSystem& files) : registry_(registry), files_(files)
{
    for (const auto& [id, values] : ValuesPerList()) {
        SeedList(RegKeyOf(id), values);
    }
    if (disk_.Root().empty()) {
        return;
    }
    history_ = FolderFixture::Join(disk_.Root(), L"History");
    cookies_ = FolderFixture::Join(disk_.Root(), L"Cookies");
    SeedFolder(history_, kHistoryFiles);
    SeedFolder(cookies_, kCookiesFiles);
    historyValue_ = std::make_unique<ShellFolderValue>(registry_, L"History", history_);
    cookiesValue_ = std::make_unique<ShellFolderValue>(registry_, L"Cookies", cookies_);
}

LayoutTraces::~LayoutTraces()
{
    for (const auto& [id, values] : ValuesPerList()) {
        DeleteKeyTree(registry_, kCurrentUser, RegKeyOf(id));
    }
}

bool LayoutTraces::Ready() const
{
    return !disk_.Root().empty() && historyValue_ && historyValue_->Written() && cookiesValue_ && cookiesValue_->Written();
}

void LayoutTraces::MoveHistory(std::wstring_view path)
{
    historyValue_.reset();  // the value goes back before it is pointed elsewhere
    historyValue_ = std::make_unique<ShellFolderValue>(registry_, L"History", path);
}

void LayoutTraces::SeedList(const std::wstring& path, int values)
{
    DeleteKeyTree(registry_, kCurrentUser, path);
    SetValue(registry_, path, L"", kKeptDefault);
    for (int i = 1; i <= values; ++i) {
        SetValue(registry_, path, L"url" + std::to_wstring(i), L"https://example.com/" + std::to_wstring(i));
    }
    SetValue(registry_, path + L"\\" + std::wstring(kKeptSubkey), L"inner", L"a subkey's value stays");
}

void LayoutTraces::SeedFolder(const std::wstring& folder, int files)
{
    disk_.MakeFolder(folder);
    for (int i = 1; i <= files; ++i) {
        disk_.MakeFile(FolderFixture::Join(folder, L"trace" + std::to_wstring(i) + L".txt"),
                       static_cast<std::uint64_t>(100 * i));
    }
    const std::wstring kept = FolderFixture::Join(folder, L"Kept");
    disk_.MakeFolder(kept);
    disk_.MakeFile(FolderFixture::Join(kept, L"inside.txt"), 10);
}

std::optional<std::vector<std::wstring>> LayoutTraces::Names(std::string_view id) const
{
    auto names = ListValueNames(registry_, kCurrentUser, RegKeyOf(id));
    if (!names) {
        return std::nullopt;
    }
    std::ranges::sort(*names);
    return *names;
}

bool LayoutTraces::KeptValuesAreThere(std::string_view id) const
{
    const std::wstring path = RegKeyOf(id);
    RegistryKey key;
    RegistryKey subkey;
    return registry_.OpenKey(kCurrentUser, path, KeyAccess::kQuery, key) == reg_status::kSuccess &&
           GetRegString(registry_, kCurrentUser, path, L"") == kKeptDefault &&
           registry_.OpenKey(kCurrentUser, path + L"\\" + std::wstring(kKeptSubkey), KeyAccess::kQuery, subkey) ==
               reg_status::kSuccess &&
           !GetRegString(registry_, kCurrentUser, path + L"\\" + std::wstring(kKeptSubkey), L"inner").empty();
}

TraceSnapshot LayoutTraces::Snapshot() const
{
    TraceSnapshot snapshot;
    for (const auto& list : ValuesPerList()) {
        const std::wstring path = RegKeyOf(list.first);
        for (const std::wstring& keyPath : {path, path + L"\\" + std::wstring(kKeptSubkey)}) {
            RegistryKey key;
            if (registry_.OpenKey(kCurrentUser, keyPath, KeyAccess::kQuery, key) != reg_status::kSuccess) {
                continue;
            }
            auto& values = snapshot.keys[keyPath];
            for (const std::wstring& name : ValueNamesWithDefault(registry_, key)) {
                if (auto value = ReadStoredValue(registry_, key, name)) {
                    values[name] = std::move(*value);
                }
            }
        }
    }
    for (const std::wstring& folder : {history_, cookies_}) {
        std::error_code error;
        for (std::filesystem::recursive_directory_iterator it(std::filesystem::path(folder), error), end;
             !error && it != end; it.increment(error)) {
            const std::wstring path = it->path().wstring();
            TraceSnapshot::File file;
            file.attributes = disk_.Attributes(path).value_or(0);
            if (it->is_regular_file(error)) {
                std::ifstream in(it->path(), std::ios::binary);
                file.bytes = std::string(std::istreambuf_iterator<char>(in), {});
            }
            snapshot.files[path] = std::move(file);
        }
    }
    return snapshot;
}

}  // namespace nivaro::testing
