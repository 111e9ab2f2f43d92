// What a process's first folder item pays to learn which folders it may never clean (every
// folder the system names, where each really is, and the folders that hold them), against what
// looking up and opening the dozen and a half places of the table alone costs, which was the
// whole of that work while only those were protected; and what each folder item pays after the
// first. The first check's work is kept for the process, so each figure comes from a process of
// its own: the benchmark runs itself once for each. Prints figures; judges nothing.
//
//   nivaro_protection_bench                  runs the measuring processes and prints the table
//   nivaro_protection_bench --once FOLDER FILE   measures once against FOLDER, adding a line to FILE

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "bench/win32/system_command.h"
#include "items/protected_places.h"
#include "platform/backend.h"
#include "platform/win32/this_program.h"
#include "tests/support/folder_fixture.h"

namespace nivaro::bench {
namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr int kProcesses = 7;

struct Figures {
    double tablePlaces = 0;   // the table's places looked up and opened
    double systemFolders = 0; // the system's folders asked for, the first time
    double firstCheck = 0;    // the first check, the system's folders already known
    double laterCheck = 0;    // each check after the first
};

template <class Work>
double Time(Work work)
{
    const auto start = Clock::now();
    work();
    return Milliseconds(Clock::now() - start).count();
}

int MeasureOnce(const std::wstring& folder, const std::wstring& out)
{
    const std::unique_ptr<FileSystem> files = MakeFileSystem();
    const std::unique_ptr<Environment> environment = MakeEnvironment();
    auto opened = files->OpenFolder(folder);
    // What every way pays alike: the libraries the lookups load.
    if (!opened || !environment->KnownFolder(KnownPlace::kWindows)) {
        return 1;
    }
    Figures figures;
    figures.tablePlaces = Time([&] {
        for (const ProtectedPlace& place : kProtectedPlaces) {
            if (const auto path = environment->KnownFolder(place.place)) {
                (void)files->OpenFolder(*path);
            }
        }
    });
    figures.systemFolders = Time([&] { (void)environment->SystemFolders(); });
    bool cleanable = false;
    figures.firstCheck = Time([&] { cleanable = !WhyProtected(**opened, *files, *environment); });
    constexpr int kLater = 5;
    figures.laterCheck = Time([&] {
                             for (int i = 0; i < kLater; ++i) {
                                 (void)WhyProtected(**opened, *files, *environment);
                             }
                         }) /
                         kLater;
    if (!cleanable) {
        return 1;  // a scratch folder in the profile's Temp folder must be cleanable
    }
    std::ofstream file(std::filesystem::path(out), std::ios::app);
    file << figures.tablePlaces << ' ' << figures.systemFolders << ' ' << figures.firstCheck << ' '
         << figures.laterCheck << '\n';
    return file ? 0 : 1;
}

int Run()
{
    FolderFixture scratch;
    if (scratch.Root().empty()) {
        std::fprintf(stderr, "no scratch folder\n");
        return 1;
    }
    const std::wstring out = FolderFixture::Join(scratch.Root(), L"figures.txt");
    const std::wstring self = win32::ThisProgramPath();
    for (int i = 0; i < kProcesses; ++i) {
        const auto code = win32::bench::RunProgram(self, L"--once \"" + scratch.Root() + L"\" \"" + out + L"\"");
        if (code != 0UL) {
            std::fprintf(stderr, "a measuring process failed\n");
            return 1;
        }
    }
    std::vector<Figures> runs;
    std::ifstream file{std::filesystem::path(out)};
    for (Figures f; file >> f.tablePlaces >> f.systemFolders >> f.firstCheck >> f.laterCheck;) {
        runs.push_back(f);
    }
    (void)::DeleteFileW(out.c_str());
    if (runs.size() != kProcesses) {
        return 1;
    }
    const auto median = [&](double Figures::* field) {
        std::vector<double> values;
        for (const Figures& run : runs) {
            values.push_back(run.*field);
        }
        std::ranges::nth_element(values, values.begin() + values.size() / 2);
        return values[values.size() / 2];
    };
    const double table = median(&Figures::tablePlaces);
    const double system = median(&Figures::systemFolders);
    const double first = median(&Figures::firstCheck);
    const double later = median(&Figures::laterCheck);
    std::printf("Median of %d processes, in ms:\n", kProcesses);
    std::printf("  %-58s %8.1f\n", "the table's places looked up and opened (baseline)", table);
    std::printf("  %-58s %8.1f\n", "the system's folders asked for, once per process", system);
    std::printf("  %-58s %8.1f\n", "the first check, the system's folders known", first);
    std::printf("  %-58s %8.1f  (%.1fx the baseline)\n", "a process's first folder item, the two together",
                system + first, (system + first) / table);
    std::printf("  %-58s %8.1f  (%.1fx the baseline)\n", "each folder item after the first", later, later / table);
    return 0;
}

}  // namespace
}  // namespace nivaro::bench

int wmain(int argc, wchar_t** argv)
{
    if (argc == 4 && std::wstring_view(argv[1]) == L"--once") {
        return nivaro::bench::MeasureOnce(argv[2], argv[3]);
    }
    if (argc == 1) {
        return nivaro::bench::Run();
    }
    std::fprintf(stderr, "usage: nivaro_protection_bench [--once FOLDER FILE]\n");
    return 2;
}
