// How long a preview of many of the user's items takes: generated items in the community's mix of
// lines (folders of a few files each, recursive and wildcard folders, folders removed once empty,
// an exclusion, keys and whole keys, detection by key, by file and by a machine key that is not
// there), each detected and planned as the command line's preview does, against the fastest loop
// the API allows over the same folders and keys: list each folder, open each file by its path,
// enumerate each key's values. Prints figures; judges nothing.
//
//   nivaro_preview_bench --list     the folders it previews, for make_folders.py
//   nivaro_preview_bench ROOT       previews them (and its own keys) and prints the figures
//
// The folders are made on the Linux side beforehand, as for the folder benchmark; the keys are
// made here, before anything is timed, and removed afterwards. Nothing is deleted: a preview
// changes nothing, so each run is measured several times over the same items.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "items/item_engine.h"
#include "platform/backend.h"
#include "platform/run_pace.h"
#include "platform/utf16.h"
#include "tests/support/registry_values.h"

namespace nivaro::bench {
namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

constexpr std::size_t kItems = 4000;
// The time per item is compared between previews of the first 1,000 items and of all of them.
constexpr std::size_t kSizes[] = {1000, kItems};
constexpr int kRepetitions = 3;
constexpr std::size_t kFilesPerFolder = 3;
constexpr std::size_t kFileBytes = 1024;  // what a cache file holds at the least
constexpr std::wstring_view kKeys = L"Software\\Nivaro Preview Bench";
constexpr std::wstring_view kRootVariable = L"NIVARO_BENCH_ROOT";

// The four kinds of item, in turn: their folders below the item's own, made with a few files each,
// and what the raw loop lists for the same item.
enum Kind { kPlain, kRecursive, kWildcard, kRemoveSelf, kKinds };

struct Layout {
    std::vector<std::wstring> made;    // made by make_folders.py, parents first
    std::vector<std::wstring> listed;  // what a raw preview lists
    bool hasKey;                       // a key of the user's with values
    bool hasSubkey;                    // and a subkey of it with a value
};

const Layout& LayoutOf(Kind kind)
{
    static const Layout layouts[kKinds] = {
        {{L"Cache", L"Logs"}, {L"Cache", L"Logs"}, true, false},
        {{L"Cache", L"Cache/sub1", L"Cache/sub2"}, {L"Cache", L"Cache/sub1", L"Cache/sub2"}, false, false},
        {{L"Profiles/p1/cache2", L"Profiles/p2/cache2"},
         {L"Profiles", L"Profiles/p1", L"Profiles/p2", L"Profiles/p1/cache2", L"Profiles/p2/cache2"},
         false, false},
        {{L"Temp", L"Temp/sub"}, {L"Temp", L"Temp/sub"}, true, true},
    };
    return layouts[kind];
}

Kind KindOf(std::size_t item)
{
    return static_cast<Kind>(item % kKinds);
}

std::wstring ItemName(std::size_t item)
{
    wchar_t name[16];
    std::swprintf(name, 16, L"e%05zu", item);
    return name;
}

std::wstring Backslashed(std::wstring path)
{
    std::ranges::replace(path, L'/', L'\\');
    return path;
}

FolderTarget Folder(const std::wstring& item, std::wstring_view below, std::wstring pattern,
                    FolderDepth depth = FolderDepth::kOwnEntries)
{
    return {.form = FolderForm::kExpanded,
            .path = L"%" + std::wstring(kRootVariable) + L"%\\" + item + L"\\" + std::wstring(below),
            .patterns = {std::move(pattern)},
            .depth = depth};
}

ItemDefinition Definition(std::size_t index)
{
    const std::wstring name = ItemName(index);
    const std::wstring key = std::wstring(kKeys) + L"\\" + name;
    const std::wstring folder = L"%" + std::wstring(kRootVariable) + L"%\\" + name;
    ItemDefinition item{.id = "user-" + std::string(name.begin(), name.end()), .title = name, .group = L"Your items"};
    switch (KindOf(index)) {
    case kPlain:
        item.targets = {Folder(name, L"Cache", L"*.*"), Folder(name, L"Logs", L"f*"), RegistryTarget{.key = key}};
        item.detect = {{Detection::Kind::kKey, kCurrentUser, key}};
        break;
    case kRecursive:
        item.targets = {Folder(name, L"Cache", L"*.*", FolderDepth::kRecurse)};
        item.detect = {{Detection::Kind::kFile, kCurrentUser, folder}};
        break;
    case kWildcard:
        item.targets = {Folder(name, L"Profiles\\*\\cache2", L"*.*"), Folder(name, L"Profiles\\*", L"*.log")};
        item.detect = {{Detection::Kind::kKey, kLocalMachine, L"Software\\Nivaro Preview Bench Absent"},
                       {Detection::Kind::kFile, kCurrentUser, folder + L"\\Prof*"}};
        break;
    case kRemoveSelf:
        item.targets = {Folder(name, L"Temp", L"*.*", FolderDepth::kRemoveSelf), RegistryTarget{.key = key, .wholeKey = true}};
        item.exclude = {{.kind = Exclusion::Kind::kFiles, .path = folder + L"\\Temp", .patterns = {L"keep.dat"}}};
        item.detect = {{Detection::Kind::kKey, kCurrentUser, key}};
        break;
    case kKinds:
        break;
    }
    return item;
}

void ListFolders()
{
    for (std::size_t item = 0; item < kItems; ++item) {
        for (const std::wstring& folder : LayoutOf(KindOf(item)).made) {
            std::printf("%ls/%ls %zu %zu\n", ItemName(item).c_str(), folder.c_str(), kFilesPerFolder, kFileBytes);
        }
    }
}

// The keys the items clean, with the paths below the bench's key of those an item has.
std::vector<std::wstring> KeysOf(std::size_t item)
{
    const Layout& layout = LayoutOf(KindOf(item));
    const std::wstring key = std::wstring(kKeys) + L"\\" + ItemName(item);
    std::vector<std::wstring> keys;
    if (layout.hasKey) {
        keys.push_back(key);
    }
    if (layout.hasSubkey) {
        keys.push_back(key + L"\\Sub");
    }
    return keys;
}

// Two values in an item's key, and one in its subkey.
bool MakeKeys(RegistryApi& registry)
{
    const std::vector<std::byte> data = EncodeUtf16(std::wstring(L"value") + L'\0');
    for (std::size_t item = 0; item < kItems; ++item) {
        const std::wstring key = std::wstring(kKeys) + L"\\" + ItemName(item);
        for (const std::wstring& path : KeysOf(item)) {
            RegistryKey made;
            if (registry.CreateKey(kCurrentUser, path, made) != reg_status::kSuccess ||
                registry.SetValue(made, L"first", reg_type::kString, data) != reg_status::kSuccess ||
                (path == key && registry.SetValue(made, L"second", reg_type::kString, data) != reg_status::kSuccess)) {
                return false;
            }
        }
    }
    return true;
}

// The fastest preview the API allows of one item: each folder listed, each file opened by its
// path and closed, each key's values enumerated; what the item's detection looks for is asked
// once. The number of files and values found.
std::size_t RawPreview(const std::wstring& root, std::size_t index)
{
    const std::wstring item = root + L"\\" + ItemName(index);
    const Layout& layout = LayoutOf(KindOf(index));
    std::size_t found = 0;
    if (KindOf(index) == kWildcard) {
        HKEY key = nullptr;
        for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
            if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Nivaro Preview Bench Absent", 0, KEY_READ | view, &key) == 0) {
                ::RegCloseKey(key);
            }
        }
    }
    (void)::GetFileAttributesW(item.c_str());
    for (const std::wstring& folder : layout.listed) {
        const std::wstring path = item + L"\\" + Backslashed(folder);
        WIN32_FIND_DATAW data{};
        HANDLE find = ::FindFirstFileW((path + L"\\*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) {
            continue;
        }
        do {
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                continue;
            }
            HANDLE file = ::CreateFileW((path + L"\\" + data.cFileName).c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
            if (file != INVALID_HANDLE_VALUE) {
                ::CloseHandle(file);
                ++found;
            }
        } while (::FindNextFileW(find, &data));
        ::FindClose(find);
    }
    for (const std::wstring& path : KeysOf(index)) {
        HKEY opened = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &opened) != 0) {
            continue;
        }
        wchar_t name[256];
        for (DWORD at = 0;; ++at) {
            DWORD chars = 256;
            if (::RegEnumValueW(opened, at, name, &chars, nullptr, nullptr, nullptr, nullptr) != 0) {
                break;
            }
            ++found;
        }
        ::RegCloseKey(opened);
    }
    return found;
}

// The items previewed as the command line previews each: detected, then planned with every
// entry decided. The number of files and values it would remove.
std::size_t EnginePreview(const PlatformServices& services, const std::vector<ItemDefinition>& items, std::size_t count)
{
    std::size_t found = 0;
    for (std::size_t index = 0; index < count; ++index) {
        if (!IsDetected(services, items[index])) {
            continue;
        }
        Unpaced pace;
        const ItemPlan plan = PlanItem(services, items[index], Foresight::kDecideEach, pace);
        found += static_cast<std::size_t>(
            std::ranges::count_if(plan.targets, [](const PlannedTarget& t) { return t.remove && !t.container; }));
    }
    return found;
}

struct Row {
    std::size_t items;
    double raw = std::numeric_limits<double>::infinity();
    double engine = std::numeric_limits<double>::infinity();
    std::size_t rawFound = 0;
    std::size_t engineFound = 0;
};

int Run(const std::wstring& root)
{
    std::unique_ptr<RegistryApi> registry = MakeRegistry();
    std::unique_ptr<FileSystem> files = MakeFileSystem();
    std::unique_ptr<Shell> shell = MakeShell();
    std::unique_ptr<Environment> environment = MakeEnvironment();
    const PlatformServices services{*registry, *files, *shell, *environment};
    if (::GetFileAttributesW((root + L"\\" + ItemName(kItems - 1)).c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::fprintf(stderr, "no items' folders under %ls: make them first (nivaro_preview_bench --list)\n", root.c_str());
        return 1;
    }
    ::SetEnvironmentVariableW(std::wstring(kRootVariable).c_str(), root.c_str());
    (void)DeleteKeyTree(*registry, kCurrentUser, kKeys);
    if (!MakeKeys(*registry)) {
        std::fprintf(stderr, "the items' keys could not be made\n");
        return 1;
    }
    std::vector<ItemDefinition> items;
    for (std::size_t index = 0; index < kItems; ++index) {
        items.push_back(Definition(index));
    }

    std::printf("Previewing N generated items of the user's (folders of %zu files of %zu bytes: a plain folder, a\n"
                "recursive folder, wildcard profile folders, a folder removed once empty with an exclusion; keys\n"
                "and a whole key; detected by key, by file and by a machine key in both views), each detected and\n"
                "planned. Best of %d runs;\n"
                "the ratio is to the raw loop over the same folders and keys in the same run.\n\n",
                kFilesPerFolder, kFileBytes, kRepetitions);
    std::printf("%6s  %-16s %10s %12s %9s %10s\n", "N", "method", "time", "per item", "vs raw", "entries");
    std::vector<Row> rows;
    bool agreed = true;
    for (std::size_t size : kSizes) {
        Row row{size};
        for (int rep = 0; rep < kRepetitions; ++rep) {
            auto start = Clock::now();
            row.rawFound = 0;
            for (std::size_t index = 0; index < size; ++index) {
                row.rawFound += RawPreview(root, index);
            }
            row.raw = std::min(row.raw, Seconds(Clock::now() - start).count());
            start = Clock::now();
            row.engineFound = EnginePreview(services, items, size);
            row.engine = std::min(row.engine, Seconds(Clock::now() - start).count());
        }
        agreed = agreed && row.rawFound == row.engineFound;
        const double n = static_cast<double>(size);
        std::printf("%6zu  %-16s %8.2f s %9.3f ms %9s %10zu\n", size, "raw loop", row.raw, row.raw / n * 1e3, "", row.rawFound);
        std::printf("%6zu  %-16s %8.2f s %9.3f ms %8.2fx %10zu\n\n", size, "engine preview", row.engine,
                    row.engine / n * 1e3, row.engine / row.raw, row.engineFound);
        std::fflush(stdout);
        rows.push_back(row);
    }
    const double perFirst = rows.front().engine / static_cast<double>(rows.front().items);
    const double perLast = rows.back().engine / static_cast<double>(rows.back().items);
    std::printf("engine preview time per item, N = %zu against N = %zu: %.2fx\n", rows.back().items, rows.front().items,
                perLast / perFirst);
    std::printf("engine preview of all %zu items: %.2f s\n", kItems, rows.back().engine);
    if (!agreed) {
        std::printf("FAILED: the preview did not find the files and values the raw loop found\n");
    }
    (void)DeleteKeyTree(*registry, kCurrentUser, kKeys);
    return agreed ? 0 : 1;
}

}  // namespace
}  // namespace nivaro::bench

int wmain(int argc, wchar_t** argv)
{
    const std::vector<std::wstring_view> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == L"--list") {
        nivaro::bench::ListFolders();
        return 0;
    }
    if (args.size() == 1) {
        return nivaro::bench::Run(std::wstring(args[0]));
    }
    std::fprintf(stderr, "usage: nivaro_preview_bench --list | ROOT\n");
    return 2;
}
