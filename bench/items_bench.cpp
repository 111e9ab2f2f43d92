// The user's items at the community database's size: reading a file made to its mix and detecting
// its entries, as the window and the command line do when they start, against the same run without
// the file; and the window of the other items opening with every entry shown. Prints figures;
// judges nothing.
//
//   nivaro_items_bench [--entries N]     4,000 entries unless told
//
// The window part starts the program beside this benchmark, with an items file in this prefix's
// %AppData%\Nivaro (whatever was there comes back afterwards): run it in a prefix of its own
// (scripts/bench does), on a display.

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "bench/items_mix.h"
#include "bench/win32/responsiveness_probe.h"
#include "main/catalogue.h"
#include "main/control_ids.h"
#include "main/items_window_layout.h"
#include "main/refused_lines.h"
#include "platform/backend.h"
#include "platform/utf8.h"
#include "platform/win32/this_program.h"
#include "registry/mod_reg.h"
#include "tests/support/registry_values.h"
#include "ui/win32/tests/program_driver.h"
#include "ui/win32/tests/user_items_file.h"

namespace nivaro::bench {
namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr int kRuns = 10;
constexpr int kWindowRuns = 3;
constexpr std::wstring_view kDetectedBy = L"Software\\Nivaro Bench\\Present";

// The process's own CPU time, user and kernel; the wineserver's is its own.
Milliseconds CpuTime()
{
    FILETIME created{};
    FILETIME exited{};
    FILETIME kernel{};
    FILETIME user{};
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ticks = [](const FILETIME& t) { return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return Milliseconds(static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0);
}

struct Cost {
    Milliseconds cpu{1e18};
    Milliseconds wall{1e18};
};

// The least wall time of `runs` runs, what the work costs when nothing else gets in its way, and
// the mean CPU time: the system counts CPU time in ticks of 10 ms or more, too coarse for one run.
template <class Work>
Cost Measure(int runs, Work work)
{
    Cost cost;
    const Milliseconds cpu = CpuTime();
    for (int run = 0; run < runs; ++run) {
        const auto start = Clock::now();
        work();
        cost.wall = std::min<Milliseconds>(cost.wall, Clock::now() - start);
    }
    cost.cpu = (CpuTime() - cpu) / static_cast<double>(runs);
    return cost;
}

std::wstring TempFile(std::wstring_view name)
{
    std::wstring folder(MAX_PATH + 1, L'\0');
    folder.resize(::GetTempPathW(static_cast<DWORD>(folder.size()), folder.data()));
    return folder + std::wstring(name);
}

bool WriteBytes(const std::wstring& path, const std::string& bytes)
{
    std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    out << bytes;
    return static_cast<bool>(out);
}

void Row(const char* what, const Cost& cost)
{
    std::printf("%-44s %10.1f ms CPU %10.1f ms\n", what, cost.cpu.count(), cost.wall.count());
}

int ReadAndDetect(std::size_t entries)
{
    const std::string text = MakeCommunityMix({.entries = entries});
    const std::wstring path = TempFile(L"nivaro-items-bench.ini");
    if (!WriteBytes(path, text)) {
        std::fprintf(stderr, "cannot write %ls\n", path.c_str());
        return 1;
    }
    BackendServices backend;
    const PlatformServices services = backend.Services();
    (void)Catalogue::Build(services, {});  // the known folders and the like, asked once before anything is measured

    std::size_t shown = 0;
    const Cost without = Measure(kRuns, [&] { (void)Catalogue::Build(services, {}); });
    const Cost with = Measure(kRuns, [&] {
        const UserItems user = ReadUserItems(services, path);
        shown = Catalogue::Build(services, user).Items().size();
    });
    const Cost parse = Measure(kRuns, [&] { (void)ReadItemsFile(text, IsOwnItemId); });
    const Cost read = Measure(kRuns, [&] { (void)ReadUserItems(services, path); });
    const UserItems once = ReadUserItems(services, path);
    const Cost detect = Measure(kRuns, [&] { (void)Catalogue::Build(services, once); });
    ::DeleteFileW(path.c_str());

    // Every entry shown, as the window's run below has them: each detection a key that is there.
    const auto registry = MakeRegistry();
    RegistryKey made;
    (void)registry->CreateKey(kCurrentUser, kDetectedBy, made);
    const std::string everyText = MakeCommunityMix({.entries = entries, .detectedBy = std::wstring(kDetectedBy)});
    const std::wstring everyPath = TempFile(L"nivaro-items-bench-shown.ini");
    std::size_t everyShown = 0;
    Cost every;
    if (WriteBytes(everyPath, everyText)) {
        every = Measure(kRuns, [&] { everyShown = Catalogue::Build(services, ReadUserItems(services, everyPath)).Items().size(); });
        ::DeleteFileW(everyPath.c_str());
    }

    const ItemsFile file = ReadItemsFile(text, IsOwnItemId);
    const EntryCounts counts = CountEntries(file);
    std::size_t fileKeys = 0;
    std::size_t regKeys = 0;
    for (const ItemDefinition& item : file.items) {
        for (const ItemTarget& target : item.targets) {
            (std::holds_alternative<FolderTarget>(target) ? fileKeys : regKeys) += 1;
        }
    }
    std::printf("A file of %zu entries in the community mix: %zu bytes, %zu lines read\n", counts.entries, text.size(),
                file.lines.size());
    std::printf("%d runs each; CPU time: the mean of a run, wall time: the least        CPU          wall\n", kRuns);
    Row("catalogue without the file (baseline)", without);
    Row("catalogue with the file: read and detected", with);
    Row("  the file's own cost (difference)", {with.cpu - without.cpu, with.wall - without.wall});
    Row("  of which reading the file", read);
    Row("    of which taking its text apart", parse);
    Row("  of which detecting its entries", detect);
    Row("catalogue with every entry detected, shown", every);
    std::printf("  (%zu items in the catalogue)\n", everyShown);
    std::printf("entries loaded: %zu of %zu (%.1f%%); with every line taken: %zu (%.2f%%)\n", counts.loaded,
                counts.entries, 100.0 * static_cast<double>(counts.loaded) / static_cast<double>(counts.entries),
                counts.whole, 100.0 * static_cast<double>(counts.whole) / static_cast<double>(counts.entries));
    std::printf("targets taken: %zu folders, %zu keys; items shown here after detection: %zu\n", fileKeys, regKeys, shown);
    for (const std::wstring& line : DescribeRefusals(file, 1, [](std::uint64_t n) { return std::to_wstring(n); })) {
        std::printf("  %s\n", ToUtf8(line).c_str());
    }
    return 0;
}

std::optional<HWND> ItemsWindowOf(const win32::testing::ProgramDriver& program)
{
    const std::wstring caption(other_items_design::kCaption);
    for (HWND found = ::FindWindowExW(nullptr, nullptr, L"NivaroItemsWindow", caption.c_str()); found != nullptr;
         found = ::FindWindowExW(nullptr, found, L"NivaroItemsWindow", caption.c_str())) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(found, &owner);
        if (owner == ::GetProcessId(program.ProcessHandle()) && ::IsWindowVisible(found)) {
            return found;
        }
    }
    return std::nullopt;
}

bool Answers(HWND window)
{
    DWORD_PTR ignored = 0;
    return ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &ignored) != 0;
}

int OpenWindow(std::size_t entries)
{
    const auto registry = MakeRegistry();
    RegistryKey made;
    if (registry->CreateKey(kCurrentUser, kDetectedBy, made) != reg_status::kSuccess) {
        std::fprintf(stderr, "cannot make HKCU\\%ls\n", std::wstring(kDetectedBy).c_str());
        return 1;
    }
    const win32::testing::UserItemsFile items(MakeCommunityMix({.entries = entries, .detectedBy = std::wstring(kDetectedBy)}));
    if (!items.Written()) {
        std::fprintf(stderr, "cannot write the prefix's items file\n");
        return 1;
    }
    int status = 0;
    Milliseconds leastOpen{1e18};
    Milliseconds leastFilter{1e18};
    std::size_t rows = 0;
    for (int run = 0; run < kWindowRuns && status == 0; ++run) {
        win32::testing::ProgramDriver program(win32::BuiltProgram(L"nivaro.exe"),
                                              std::chrono::seconds(120));
        const auto start = Clock::now();
        ::PostMessageW(program.Main(), WM_SYSCOMMAND, control_id::kOtherItemsCommand, 0);
        const std::optional<HWND> window = program.WaitFor([&] { return ItemsWindowOf(program); });
        if (!window || !Answers(*window)) {
            std::fprintf(stderr, "the window of the other items did not open\n");
            status = 1;
            break;
        }
        leastOpen = std::min<Milliseconds>(leastOpen, Clock::now() - start);
        const HWND list = ::GetDlgItem(*window, control_id::kOtherItemsList);
        rows = static_cast<std::size_t>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));

        // Typing into the filter narrows the list at once; clearing it fills it again.
        const HWND filter = ::GetDlgItem(*window, control_id::kOtherItemsFilter);
        const auto typed = Clock::now();
        ::SendMessageW(filter, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"App 1234"));
        ::SendMessageW(filter, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
        leastFilter = std::min<Milliseconds>(leastFilter, (Clock::now() - typed) / 2.0);
        if (!program.CloseAndWait()) {
            status = 1;
        }
    }
    (void)DeleteKeyTree(*registry, kCurrentUser, L"Software\\Nivaro Bench");
    if (status == 0) {
        std::printf("the window of the other items with %zu entries shown (%zu rows), least of %d runs:\n", entries,
                    rows, kWindowRuns);
        std::printf("%-44s %10.1f ms (goal: under 1,000 ms)\n", "  from the menu command to the window answering",
                    leastOpen.count());
        std::printf("%-44s %10.1f ms\n", "  a filter typed or cleared, applied", leastFilter.count());
    }
    return status;
}

}  // namespace
}  // namespace nivaro::bench

int wmain(int argc, wchar_t** argv)
{
    std::size_t entries = 4000;
    for (int i = 1; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--entries") == 0 && i + 1 < argc) {
            entries = static_cast<std::size_t>(std::wcstoul(argv[++i], nullptr, 10));
        }
    }
    try {
        const int read = nivaro::bench::ReadAndDetect(entries);
        std::printf("\n");
        const int window = nivaro::bench::OpenWindow(entries);
        return read != 0 ? read : window;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
