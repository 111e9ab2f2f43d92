// Whether the window keeps answering while it works: the real program is started with the user's
// History folder full, and while it opens its tips, cleans, or closes in the middle of a clean, a
// second thread sends its window a message every 20 ms and notes how long each answer took. A
// window that answers within 100 ms is one a user can move, hover and click. Prints figures;
// judges nothing.
//
//   nivaro_responsiveness_bench --list [--files N]   the folders it needs, for make_folders.py
//   nivaro_responsiveness_bench ROOT [--files N]     runs the scenarios on them, a row each
//
// The folders are made on the Linux side beforehand, as for the folder benchmark. Each scenario
// has a History folder of its own, since a clean empties it, and every scenario points Cookies at
// one empty folder; --files N checks that each History folder holds N files. The program cleans
// the registry lists of this user too: run it in a prefix of its own (scripts/bench does). On a
// display with no window manager, run it with Wine's windows unmanaged (scripts/bench does that
// too): Wine otherwise holds a thread 2 s for every window it hides, waiting for a manager.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <exception>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "main/control_ids.h"
#include "platform/backend.h"
#include "platform/utf16.h"
#include "bench/win32/folder_baselines.h"
#include "bench/win32/responsiveness_probe.h"
#include "platform/win32/this_program.h"
#include "tests/support/folder_fixture.h"

namespace nivaro::bench {
namespace {

using namespace win32::bench;

constexpr std::size_t kDefaultFiles = 100000;
constexpr double kGoalMs = 100;
constexpr std::wstring_view kCookiesFolder = L"cookies";

// The items in window order, top to bottom.
constexpr int kItemsTopDown[] = {control_id::Item(0), control_id::Item(1), control_id::Item(2),
                                 control_id::Item(3), control_id::Item(4), control_id::Item(5)};

enum class Action { kHover, kClean, kCleanAll, kCloseDuringClean };

struct Scenario {
    const char* name;
    const wchar_t* historyFolder;
    Action action;
};

constexpr Scenario kScenarios[] = {
    {"hover each item", L"history-hover", Action::kHover},
    {"during Clean", L"history-clean", Action::kClean},
    {"during Clean All", L"history-clean-all", Action::kCleanAll},
    {"close during Clean", L"history-close", Action::kCloseDuringClean},
};

struct Options {
    std::size_t files = kDefaultFiles;
};

// One line for each folder: its path under the root, the files in it and their size.
void ListFolders(const Options& options)
{
    std::printf("%ls 0 0\n", std::wstring(kCookiesFolder).c_str());
    for (const Scenario& scenario : kScenarios) {
        std::printf("%ls %zu 0\n", scenario.historyFolder, options.files);
    }
}

struct Row {
    ScenarioRun run;
    std::size_t filesBefore = 0;
    std::size_t filesAfter = 0;
};

ScenarioRun Perform(ProbedProgram& program, Action action)
{
    switch (action) {
    case Action::kHover:
        return program.HoverOver(kItemsTopDown);
    case Action::kClean:
        return program.Clean(control_id::kClean);
    case Action::kCleanAll:
        return program.Clean(control_id::kCleanAll);
    case Action::kCloseDuringClean:
        return program.CloseDuringClean(control_id::kClean);
    }
    return {};
}

// One scenario in a program of its own, started with History pointing at the scenario's folder.
Row RunScenario(RegistryApi& registry, const std::wstring& program, const std::wstring& root, const Scenario& scenario)
{
    Row row;
    const std::wstring history = root + L"\\" + scenario.historyFolder;
    const ShellFolderValue historyValue(registry, L"History", history);
    const ShellFolderValue cookiesValue(registry, L"Cookies", root + L"\\" + std::wstring(kCookiesFolder));
    if (!historyValue.Written() || !cookiesValue.Written()) {
        row.run.failure = "the Shell Folders values could not be set";
        return row;
    }
    row.filesBefore = CountEntries(history);
    try {
        ProbedProgram probed(program);
        row.run = Perform(probed, scenario.action);
        const std::optional<unsigned long> exitCode = probed.Close();
        if (!row.run.exitCode) {
            row.run.exitCode = exitCode;
        }
        if (!exitCode && row.run.failure.empty()) {
            row.run.failure = "the program did not end when its window was closed after the scenario";
        }
    } catch (const std::exception& error) {
        row.run.failure = error.what();
    }
    row.filesAfter = CountEntries(history);
    return row;
}

void PrintHeader(const std::wstring& program)
{
    std::printf("The window of %ls, asked for an answer (WM_NULL) every %lld ms while a scenario runs;\n"
                "a program of its own for each scenario. At: when the longest wait began, from the scenario's start;\n"
                "files: in its History folder before, left: after; exit: the program's exit code.\n"
                "The goal is every answer within %.0f ms.\n\n",
                program.c_str(), static_cast<long long>(kProbeInterval.count()), kGoalMs);
    std::printf("%-20s %7s %9s %10s %6s %8s %8s %8s %8s %5s\n", "scenario", "probes", "mean", "longest", "goal",
                "at", "took", "files", "left", "exit");
}

void PrintTipTimes(const char* what, const std::vector<Milliseconds>& times)
{
    if (times.empty()) {
        return;
    }
    std::printf("%20s %s", "", what);
    for (const Milliseconds time : times) {
        std::printf(" %.0f", time.count());
    }
    std::printf("\n");
}

void PrintRow(const Scenario& scenario, const Row& row)
{
    const AnswerTimes& answers = row.run.answers;
    std::printf("%-20s %7zu %6.1f ms %7.0f ms %6.0f %6.1f s %6.1f s %8zu %8zu", scenario.name,
                answers.answered + answers.unanswered, answers.Mean().count(), answers.longest.count(), kGoalMs,
                answers.longestSentAt.count() / 1e3, row.run.took.count() / 1e3, row.filesBefore, row.filesAfter);
    if (row.run.exitCode) {
        std::printf(" %5lu", *row.run.exitCode);
    } else {
        std::printf(" %5s", "-");
    }
    std::printf("\n");
    if (answers.unanswered != 0) {
        std::printf("%20s %zu probes went unanswered; the longest is the time they waited\n", "", answers.unanswered);
    }
    PrintTipTimes("tips opened after (ms), top to bottom:", row.run.tipDelays);
    PrintTipTimes("their text final after (ms):", row.run.tipSettled);
    if (!row.run.failure.empty()) {
        std::printf("%20s FAILED: %s\n", "", row.run.failure.c_str());
    }
    std::fflush(stdout);
}

int Run(const std::wstring& root, const Options& options)
{
    for (const Scenario& scenario : kScenarios) {
        if (!Exists(root + L"\\" + scenario.historyFolder)) {
            std::fprintf(stderr, "no folder %ls under %ls: make the folders first\n", scenario.historyFolder,
                         root.c_str());
            return 1;
        }
    }
    const std::wstring program = win32::BuiltProgram(L"nivaro.exe");
    if (!Exists(program)) {
        std::fprintf(stderr, "no program at %ls\n", program.c_str());
        return 1;
    }
    const std::unique_ptr<RegistryApi> registry = MakeRegistry();
    PrintHeader(program);
    bool allRan = true;
    for (const Scenario& scenario : kScenarios) {
        Row row = RunScenario(*registry, program, root, scenario);
        if (row.filesBefore != options.files && row.run.failure.empty()) {
            row.run.failure = "History held " + std::to_string(row.filesBefore) + " files, not " +
                              std::to_string(options.files);
        }
        PrintRow(scenario, row);
        allRan = allRan && row.run.failure.empty();
    }
    return allRan ? 0 : 1;
}

std::optional<Options> ParseOptions(std::vector<std::wstring_view>& args)
{
    Options options;
    for (auto it = args.begin(); it != args.end(); ++it) {
        if (*it != L"--files") {
            continue;
        }
        if (std::next(it) == args.end()) {
            return std::nullopt;
        }
        wchar_t* end = nullptr;
        const std::wstring count(*std::next(it));
        options.files = std::wcstoull(count.c_str(), &end, 10);
        if (end == count.c_str() || *end != L'\0') {
            return std::nullopt;
        }
        args.erase(it, std::next(it, 2));
        break;
    }
    return options;
}

}  // namespace
}  // namespace nivaro::bench

int wmain(int argc, wchar_t** argv)
{
    std::vector<std::wstring_view> args(argv + 1, argv + argc);
    const std::optional<nivaro::bench::Options> options = nivaro::bench::ParseOptions(args);
    if (options && args.size() == 1 && args[0] == L"--list") {
        nivaro::bench::ListFolders(*options);
        return 0;
    }
    if (options && args.size() == 1) {
        return nivaro::bench::Run(std::wstring(args[0]), *options);
    }
    std::fprintf(stderr, "usage: nivaro_responsiveness_bench --list [--files N] | ROOT [--files N]\n");
    return 2;
}
