// How long emptying one folder takes: the folder item's run as the window runs it, and
// nivaro-cli's clean as a script runs it, against the fastest loop the API allows (in this
// process, and as a process of its own for the command line), against cmd's del, the tool a user
// could run instead, and against re-reading the shell's list on every pass. Prints figures;
// judges nothing.
//
//   nivaro_folder_bench --list [--breakdown]    the folders it empties, for make_folders.py
//   nivaro_folder_bench ROOT [--breakdown]      empties them under ROOT and prints the table
//   nivaro_folder_bench --raw-loop FOLDER       the raw loop alone, as the command line's baseline
//
// The folders are made on the Linux side beforehand: under Wine every file made from here has
// the whole folder searched for its name, and 100,000 of them would take hours. Deleting a file
// by its exact name searches nothing, so what is measured here grows with N alone.
// --breakdown adds rows that show what each call of the item's run costs on its own.

#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cwchar>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "items/item_design.h"
#include "items/nv_folder.h"
#include "platform/backend.h"
#include "bench/win32/folder_baselines.h"
#include "bench/win32/system_command.h"
#include "bench/win32/window_item_site.h"
#include "platform/win32/this_program.h"
#include "tests/support/folder_fixture.h"

namespace nivaro::bench {
namespace {

using namespace win32::bench;

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

struct Workload {
    std::size_t files;
    std::size_t bytes;
};

constexpr Workload kLoads[] = {{1000, 0}, {1000, 4096}, {10000, 0}, {10000, 4096}, {100000, 0}, {100000, 4096}};
// Enough files to load every library the item's run needs before anything is measured.
constexpr Workload kWarmUp = {200, 0};

// Small runs are noisy; the best of several is the figure least disturbed by the rest of the machine.
int Repetitions(std::size_t files)
{
    return files <= 1000 ? 7 : files <= 10000 ? 3 : 2;
}

// Re-reading the list on every pass makes the old way's run grow with the square of N: minutes
// at 10,000, days at 100,000.
constexpr std::size_t kOldWayLargestN = 10000;
int OldWayRepetitions(std::size_t files)
{
    return files <= 1000 ? 2 : 1;
}

std::wstring CommandLinePath();

class Bench {
public:
    Bench()
        : registry_(MakeRegistry()), files_(MakeFileSystem()), shell_(MakeShell()), environment_(MakeEnvironment()),
          services_{*registry_, *files_, *shell_, *environment_}, site_(MakeWindowItemSite())
    {
    }

    bool HasWindow() const { return site_ != nullptr; }

    // The folder item as the program runs it; the number its status line reports.
    std::optional<std::size_t> RunItem(const std::wstring& folder, bool pump)
    {
        site_->running = false;  // the folder is a design-time property
        NvFolder item(*site_, services_);
        if (!item.SetFolder(folder)) {
            return 0;
        }
        site_->running = true;
        site_->pump = pump;
        (void)item.Start();
        const std::wstring& status = site_->Status();
        if (!status.ends_with(item_text::kCountSuffix)) {
            return 0;
        }
        return static_cast<std::size_t>(std::wcstoull(status.c_str(), nullptr, 10));
    }

    // The shell's list as the folder item takes it, then each file opened by its name relative
    // to the folder's handle and deleted through its own, with no look at where it leads.
    // nivaro-cli's clean of the History item, with the user's History value pointing at the
    // folder for as long as it runs; start to exit.
    std::optional<std::size_t> CommandLine(const std::wstring& folder)
    {
        const ShellFolderValue history(*registry_, L"History", folder);
        if (!history.Written()) {
            return 0;
        }
        const std::optional<unsigned long> exitCode = RunProgram(CommandLinePath(), L"clean history");
        return exitCode == 0u ? std::nullopt : std::optional<std::size_t>(0);
    }

    std::optional<std::size_t> ShellListThenDelete(const std::wstring& folder)
    {
        auto held = files_->OpenFolder(folder);
        auto shellFolder = shell_->NameSpace(folder);
        if (!held || !shellFolder) {
            return 0;
        }
        auto entries = (*shellFolder)->Items();
        if (!entries) {
            return 0;
        }
        std::size_t deleted = 0;
        for (const ShellEntry& entry : *entries) {
            EntryOpening opening = (*held)->Open(entry.parsingName);
            deleted += opening.entry && opening.entry->Delete() == DeleteOutcome::kDeleted ? 1 : 0;
        }
        return deleted;
    }

private:
    std::unique_ptr<RegistryApi> registry_;
    std::unique_ptr<FileSystem> files_;
    std::unique_ptr<Shell> shell_;
    std::unique_ptr<Environment> environment_;
    PlatformServices services_;
    std::unique_ptr<BenchItemSite> site_;
};

std::optional<std::size_t> Raw(Bench&, const std::wstring& folder)
{
    return DeleteWithRawLoop(folder);
}

// nivaro-cli.exe in the program folder beside the benchmarks' own.
std::wstring CommandLinePath()
{
    std::wstring path = win32::ThisProgramPath();
    path.resize(path.find_last_of(L'\\'));        // the benchmarks' folder
    path.resize(path.find_last_of(L'\\') + 1);    // the build tree
    return path + L"bin\\nivaro-cli.exe";
}

// The raw loop in a process of its own, start to exit: what the command line is held against.
std::optional<std::size_t> RawProcess(Bench&, const std::wstring& folder)
{
    (void)RunProgram(win32::ThisProgramPath(), L"--raw-loop \"" + folder + L"\"");
    return std::nullopt;
}

std::optional<std::size_t> CommandLine(Bench& bench, const std::wstring& folder)
{
    return bench.CommandLine(folder);
}

std::optional<std::size_t> Item(Bench& bench, const std::wstring& folder)
{
    return bench.RunItem(folder, true);
}

// cmd.exe /c del /q <folder>\*, start to exit. del reports no count: nothing.
std::optional<std::size_t> Del(Bench&, const std::wstring& folder)
{
    (void)RunSystemCommand(L"cmd.exe", L"/c del /q \"" + folder + L"\\*\"");
    return std::nullopt;
}

std::optional<std::size_t> OldWay(Bench&, const std::wstring& folder)
{
    return DeleteRereadingShellList(folder);
}

std::optional<std::size_t> ItemWithoutPump(Bench& bench, const std::wstring& folder)
{
    return bench.RunItem(folder, false);
}

// The one-path listing that the item once made of every entry.
std::optional<std::size_t> RawWithListing(Bench&, const std::wstring& folder)
{
    return DeleteWithRawLoop(folder, ExtraCall::kFindFirstFileEx);
}

std::optional<std::size_t> RawWithAttributes(Bench&, const std::wstring& folder)
{
    return DeleteWithRawLoop(folder, ExtraCall::kGetFileAttributesEx);
}

std::optional<std::size_t> RawWithPump(Bench&, const std::wstring& folder)
{
    return DeleteWithRawLoop(folder, ExtraCall::kPeekMessage);
}

std::optional<std::size_t> ShellList(Bench& bench, const std::wstring& folder)
{
    return bench.ShellListThenDelete(folder);
}

struct Method {
    const char* name;
    const wchar_t* folderName;
    // The number the method says it deleted; nothing when it does not say.
    std::optional<std::size_t> (*run)(Bench& bench, const std::wstring& folder);
    // Deletes every file, so that anything left is a failure.
    bool deletesAll = true;
    // A step of the item's run on its own, shown with --breakdown only.
    bool breakdown = false;
    // The method its ratio is to: the raw loop, or for a whole process the raw loop's own process.
    std::size_t baseline = 0;
};

// In the order of the table's rows; the raw loop is the baseline of every ratio.
enum MethodIndex : std::size_t {
    kRaw,
    kItem,
    kRawProcess,
    kCommandLine,
    kDel,
    kOldWay,
    kItemWithoutPump,
    kRawWithListing,
    kRawWithAttributes,
    kRawWithPump,
    kShellList,
    kMethodCount
};
const Method kMethods[kMethodCount] = {
    {"raw loop", L"raw", Raw},
    {"NvFolder", L"item", Item},
    {"raw loop, process", L"raw-proc", RawProcess},
    {"nivaro-cli clean", L"cli", CommandLine, true, false, kRawProcess},
    {"del /q", L"del", Del},
    {"list every pass", L"old", OldWay, false},
    {"NvFolder, no pump", L"item-nopump", ItemWithoutPump, true, true},
    {"raw + FindFirstEx", L"raw-find", RawWithListing, true, true},
    {"raw + GetAttrEx", L"raw-attr", RawWithAttributes, true, true},
    {"raw + pump", L"raw-pump", RawWithPump, true, true},
    {"shell list + handle", L"shell", ShellList, true, true},
};

struct Options {
    bool breakdown = false;
};

int RepetitionsOf(std::size_t method, const Workload& load, const Options& options)
{
    if (kMethods[method].breakdown && !options.breakdown) {
        return 0;
    }
    if (method == kOldWay) {
        return load.files <= kOldWayLargestN ? OldWayRepetitions(load.files) : 0;
    }
    return Repetitions(load.files);
}

std::wstring RowFolderName(const Workload& load)
{
    return L"n" + std::to_wstring(load.files) + L"-b" + std::to_wstring(load.bytes);
}

std::wstring RunFolderName(std::size_t method, int rep)
{
    return std::wstring(kMethods[method].folderName) + L"-" + std::to_wstring(rep + 1);
}

// One line for each folder: its path under the root, with '/' between steps, the files and their size.
void ListFolders(const Options& options)
{
    std::printf("warm-up %zu %zu\n", kWarmUp.files, kWarmUp.bytes);
    for (const Workload& load : kLoads) {
        for (std::size_t m = 0; m < kMethodCount; ++m) {
            for (int rep = 0; rep < RepetitionsOf(m, load, options); ++rep) {
                std::printf("%ls/%ls %zu %zu\n", RowFolderName(load).c_str(), RunFolderName(m, rep).c_str(),
                            load.files, load.bytes);
            }
        }
    }
}

struct Measured {
    double best = std::numeric_limits<double>::infinity();
    std::size_t deleted = 0;  // in the last run
    bool failed = false;
};

struct Result {
    Workload load;
    std::array<Measured, kMethodCount> measured;

    double Best(std::size_t method) const { return measured[method].best; }
};

bool IsPrepared(const std::wstring& row, const Workload& load, const Options& options)
{
    for (std::size_t m = 0; m < kMethodCount; ++m) {
        for (int rep = 0; rep < RepetitionsOf(m, load, options); ++rep) {
            if (!Exists(row + L"\\" + RunFolderName(m, rep))) {
                return false;
            }
        }
    }
    return true;
}

// Times one method on one prepared folder, then removes what is left of the folder.
void MeasureOne(Bench& bench, std::size_t method, const std::wstring& folder, const Workload& load, Measured& measured)
{
    const Method& m = kMethods[method];
    const std::size_t before = CountEntries(folder);
    const auto start = Clock::now();
    const std::optional<std::size_t> said = m.run(bench, folder);
    const double elapsed = Seconds(Clock::now() - start).count();
    const std::size_t left = CountEntries(folder);
    const std::size_t deleted = before - std::min(before, left);
    measured.failed = measured.failed || before != load.files || (said && *said != deleted) ||
                      (m.deletesAll && left != 0) || !RemoveFolder(folder);
    measured.best = std::min(measured.best, elapsed);
    measured.deleted = deleted;
}

std::optional<Result> Measure(Bench& bench, const std::wstring& root, const Workload& load, const Options& options)
{
    const std::wstring row = root + L"\\" + RowFolderName(load);
    if (!IsPrepared(row, load, options)) {
        return std::nullopt;
    }
    Result result{load, {}};
    for (int rep = 0; rep < Repetitions(load.files); ++rep) {
        // Each repetition starts with another method, so that none always runs first.
        for (std::size_t turn = 0; turn < kMethodCount; ++turn) {
            const std::size_t m = (turn + static_cast<std::size_t>(rep)) % kMethodCount;
            if (rep < RepetitionsOf(m, load, options)) {
                MeasureOne(bench, m, row + L"\\" + RunFolderName(m, rep), load, result.measured[m]);
            }
        }
    }
    (void)RemoveFolder(row);
    return result;
}

void PrintHeader()
{
    std::printf("Emptying one folder of N files made beforehand; the making is not timed. Best of %d, %d and %d\n"
                "runs for N = 1,000, 10,000 and 100,000; list every pass: best of %d at 1,000, %d run at 10,000.\n"
                "Per entry deleted. Ratios are to the raw loop of the same run.\n\n",
                Repetitions(1000), Repetitions(10000), Repetitions(100000), OldWayRepetitions(1000),
                OldWayRepetitions(10000));
    std::printf("%8s %6s  %-18s %12s %11s %11s %9s %9s\n", "N", "bytes", "method", "time", "per entry", "entries/s",
                "vs raw", "deleted");
}

void PrintRows(const Result& result, const Options& options)
{
    const Workload& load = result.load;
    for (std::size_t m = 0; m < kMethodCount; ++m) {
        if (RepetitionsOf(m, load, options) == 0) {
            continue;
        }
        const Measured& measured = result.measured[m];
        if (measured.failed) {
            std::printf("%8zu %6zu  %-18s  FAILED: the folder did not hold N files, or was not emptied as said\n",
                        load.files, load.bytes, kMethods[m].name);
            continue;
        }
        // Per entry deleted, so that the old way's half a folder compares with the others' whole one.
        const double deleted = static_cast<double>(std::max<std::size_t>(measured.deleted, 1));
        std::printf("%8zu %6zu  %-18s %9.1f ms %8.2f us %11.0f %8.2fx %9zu\n", load.files, load.bytes,
                    kMethods[m].name, measured.best * 1e3, measured.best / deleted * 1e6, deleted / measured.best,
                    measured.best / result.Best(kMethods[m].baseline), measured.deleted);
    }
    std::printf("\n");
    std::fflush(stdout);
}

// The figures behind the goals: the worst ratio to the baseline and how the time per entry moves
// as N grows a hundredfold, for the window's run and the command line's; the ratio to del; and
// what taking the list once is worth.
void PrintSummary(const std::vector<Result>& results)
{
    for (const std::size_t method : {std::size_t{kItem}, std::size_t{kCommandLine}}) {
        const char* name = kMethods[method].name;
        const char* baseline = kMethods[kMethods[method].baseline].name;
        double worstRatio = 0;
        for (const Result& r : results) {
            worstRatio = std::max(worstRatio, r.Best(method) / r.Best(kMethods[method].baseline));
        }
        std::printf("%s against the %s, worst: %.2fx\n", name, baseline, worstRatio);
        for (std::size_t bytes : {std::size_t{0}, std::size_t{4096}}) {
            std::printf("%s time per entry, %zu-byte files, against N = %zu:", name, bytes, results.front().load.files);
            std::optional<double> first;
            for (const Result& r : results) {
                if (r.load.bytes == bytes) {
                    const double perEntry = r.Best(method) / static_cast<double>(r.load.files);
                    std::printf(" N = %zu %.2fx", r.load.files, perEntry / first.value_or(perEntry));
                    first = first.value_or(perEntry);
                }
            }
            std::printf("\n");
        }
    }
    double worstDelRatio = 0;
    for (const Result& r : results) {
        worstDelRatio = std::max(worstDelRatio, r.Best(kItem) / r.Best(kDel));
    }
    std::printf("NvFolder against del, worst: %.2fx the time del takes\n", worstDelRatio);
    for (const Result& r : results) {
        const Measured& old = r.measured[kOldWay];
        if (r.load.files <= kOldWayLargestN && !old.failed) {
            std::printf("list every pass, N = %zu, %zu-byte files: %.1fx NvFolder's time, and %zu of the %zu gone\n",
                        r.load.files, r.load.bytes, old.best / r.Best(kItem), old.deleted, r.load.files);
        }
    }
}

int Run(const std::wstring& root, const Options& options)
{
    Bench bench;
    if (!bench.HasWindow()) {
        std::fprintf(stderr, "could not make the window whose events a run pumps (is there a display?)\n");
        return 1;
    }
    const std::wstring warmUp = root + L"\\warm-up";
    if (!Exists(warmUp) || bench.RunItem(warmUp, true) != kWarmUp.files || !RemoveFolder(warmUp)) {
        std::fprintf(stderr, "no warm-up folder of %zu files under %ls: make the folders first\n", kWarmUp.files,
                     root.c_str());
        return 1;
    }

    PrintHeader();
    std::vector<Result> results;
    bool allDeleted = true;
    for (const Workload& load : kLoads) {
        std::optional<Result> result = Measure(bench, root, load, options);
        if (!result) {
            std::printf("%8zu %6zu  not prepared; skipped\n\n", load.files, load.bytes);
            continue;
        }
        PrintRows(*result, options);
        allDeleted = allDeleted && std::ranges::none_of(result->measured, &Measured::failed);
        results.push_back(*result);
    }
    if (results.empty()) {
        return 1;
    }
    PrintSummary(results);
    return allDeleted ? 0 : 1;
}

}  // namespace
}  // namespace nivaro::bench

int wmain(int argc, wchar_t** argv)
{
    std::vector<std::wstring_view> args(argv + 1, argv + argc);
    nivaro::bench::Options options;
    options.breakdown = std::erase(args, std::wstring_view(L"--breakdown")) != 0;
    if (args.size() == 2 && args[0] == L"--raw-loop") {
        return nivaro::win32::bench::DeleteWithRawLoop(std::wstring(args[1])) > 0 ? 0 : 1;
    }
    if (args.size() == 1 && args[0] == L"--list") {
        nivaro::bench::ListFolders(options);
        return 0;
    }
    if (args.size() == 1) {
        return nivaro::bench::Run(std::wstring(args[0]), options);
    }
    std::fprintf(stderr, "usage: nivaro_folder_bench --list [--breakdown] | ROOT [--breakdown]\n");
    return 2;
}
