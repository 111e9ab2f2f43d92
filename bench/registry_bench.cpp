// How long emptying one registry key takes: the registry list item's run (the key opened as
// itself, its values listed, then deleted by their exact names, events let through as a window
// lets them) and DeleteAllValues against the fastest loop the API allows and against reg.exe,
// the tool a user could run instead. Prints figures; judges nothing.

#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "items/nv_reg.h"
#include "main/headless_item_site.h"
#include "platform/backend.h"
#include "bench/win32/registry_baselines.h"
#include "bench/win32/system_command.h"
#include "registry/mod_reg.h"

namespace nivaro {
namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

constexpr std::wstring_view kBenchKey = L"Software\\Nivaro Bench";
constexpr std::wstring_view kListKey = L"Software\\Nivaro Bench\\List";

struct Workload {
    std::size_t values;
    std::size_t dataBytes;
};

// Small runs are noisy; the best of several is the figure least disturbed by the rest of the machine.
int Repetitions(std::size_t values)
{
    return values <= 1000 ? 7 : values <= 10000 ? 3 : 2;
}

class Bench {
public:
    Bench() : registry_(MakeRegistry()) {}

    static bool CreateVolatileKeys()
    {
        return win32::bench::CreateVolatileKey(kBenchKey) && win32::bench::CreateVolatileKey(kListKey);
    }

    // Fills the list key with `values` binary values, named in ascending order so that each one
    // is appended rather than inserted.
    bool Seed(const Workload& load)
    {
        RegistryKey key;
        if (registry_->OpenKey(kCurrentUser, kListKey, KeyAccess::kQueryAndSet, key) != reg_status::kSuccess) {
            return false;
        }
        std::vector<std::byte> data(load.dataBytes);
        for (std::size_t i = 0; i < data.size(); ++i) {
            data[i] = static_cast<std::byte>(i * 37);
        }
        for (std::size_t i = 0; i < load.values; ++i) {
            std::wstring name = std::to_wstring(i);
            name.insert(0, 8 - name.size(), L'0');
            name.front() = L'v';
            if (registry_->SetValue(key, name, reg_type::kBinary, data) != reg_status::kSuccess) {
                return false;
            }
        }
        return ValuesLeft() == load.values;
    }

    std::size_t ValuesLeft()
    {
        RegistryKey key;
        KeyInfo info;
        if (registry_->OpenKey(kCurrentUser, kListKey, KeyAccess::kQuery, key) != reg_status::kSuccess ||
            registry_->QueryInfoKey(key, info) != reg_status::kSuccess) {
            return std::numeric_limits<std::size_t>::max();
        }
        return info.valueCount;
    }

    std::size_t Ours() { return DeleteAllValues(*registry_, kCurrentUser, kListKey); }

    // The list item as a clean runs it: its list taken, then carried out, asked between values
    // whether to let events through.
    std::size_t Item()
    {
        HeadlessItemSite site;
        NvReg item(site, *registry_);
        if (!item.ReadProperties({{L"RegKey", std::wstring(kListKey)}})) {
            return 0;
        }
        class AskingPace final : public RunPace {
        public:
            bool Continue() override { return ++asked_ > 0; }

        private:
            std::size_t asked_ = 0;
        } pace;
        ItemPlan plan = item.Plan(Foresight::kListOnly, pace);
        return item.Carry(plan, pace);
    }

    void RemoveBenchKey() { win32::bench::DeleteKeyTree(kBenchKey); }

private:
    std::unique_ptr<RegistryApi> registry_;
};

std::size_t RawLoop()
{
    return win32::bench::DeleteValuesWithRawLoop(kListKey);
}

// reg.exe as a user would run it, start to exit. Answers the deleted count the way the others do:
// all of them when it exits with 0, none otherwise.
std::size_t RegExe(std::size_t values)
{
    const auto exitCode =
        win32::bench::RunSystemCommand(L"reg.exe", L"delete \"HKCU\\" + std::wstring(kListKey) + L"\" /va /f");
    return exitCode == 0u ? values : 0;
}

struct Method {
    const char* name;
    std::size_t (*run)(Bench& bench, std::size_t values);
};

// In the order of the table's rows; the raw loop is the baseline of every ratio.
enum MethodIndex : std::size_t { kRaw, kItem, kOurs, kRegExe, kMethodCount };
constexpr Method kMethods[kMethodCount] = {
    {"raw loop", [](Bench&, std::size_t) { return RawLoop(); }},
    {"NvReg", [](Bench& bench, std::size_t) { return bench.Item(); }},
    {"DeleteAllValues", [](Bench& bench, std::size_t) { return bench.Ours(); }},
    {"reg.exe /va /f", [](Bench&, std::size_t values) { return RegExe(values); }},
};

struct Measured {
    double best = std::numeric_limits<double>::infinity();
    bool failed = false;
};

struct Result {
    Workload load;
    std::array<Measured, kMethodCount> measured;

    double Best(MethodIndex method) const { return measured[method].best; }
};

// Seeds the key afresh before each run; nullopt when it cannot.
std::optional<Result> Measure(Bench& bench, const Workload& load)
{
    Result result{load, {}};
    for (int rep = 0; rep < Repetitions(load.values); ++rep) {
        // Each repetition starts with another method, so that none always runs first.
        for (std::size_t turn = 0; turn < kMethodCount; ++turn) {
            const std::size_t m = (turn + static_cast<std::size_t>(rep)) % kMethodCount;
            if (!bench.Seed(load)) {
                return std::nullopt;
            }
            const auto start = Clock::now();
            const std::size_t deleted = kMethods[m].run(bench, load.values);
            const double elapsed = Seconds(Clock::now() - start).count();
            Measured& measured = result.measured[m];
            measured.failed = measured.failed || deleted != load.values || bench.ValuesLeft() != 0;
            measured.best = std::min(measured.best, elapsed);
        }
    }
    return result;
}

void PrintHeader()
{
    std::printf("Emptying one key of N values under HKCU; seeding is not timed. Best of %d, %d and %d runs for\n"
                "N = 1,000, 10,000 and 100,000. Ratios are to the raw loop of the same run.\n\n",
                Repetitions(1000), Repetitions(10000), Repetitions(100000));
    std::printf("%8s %8s  %-16s %13s %12s %12s %9s\n", "N", "data", "method", "time", "per value", "values/s",
                "vs raw");
}

void PrintRows(const Result& result)
{
    const Workload& load = result.load;
    for (std::size_t m = 0; m < kMethodCount; ++m) {
        const Measured& measured = result.measured[m];
        if (measured.failed) {
            std::printf("%8zu %6zu B  %-16s  FAILED: not every value was deleted\n", load.values, load.dataBytes,
                        kMethods[m].name);
            continue;
        }
        const double perValue = measured.best / static_cast<double>(load.values);
        std::printf("%8zu %6zu B  %-16s %10.2f ms %9.2f us %12.0f %8.2fx\n", load.values, load.dataBytes,
                    kMethods[m].name, measured.best * 1e3, perValue * 1e6,
                    static_cast<double>(load.values) / measured.best, measured.best / result.Best(kRaw));
    }
    std::printf("\n");
}

// The figures behind the goals: the worst ratio to the raw loop, how the time per value moves as N
// grows a hundredfold, and the least margin over reg.exe.
void PrintSummary(const std::vector<Result>& results)
{
    double leastRegExeFactor = std::numeric_limits<double>::infinity();
    for (const Result& r : results) {
        leastRegExeFactor = std::min(leastRegExeFactor, r.Best(kRegExe) / r.Best(kItem));
    }
    for (MethodIndex method : {kItem, kOurs}) {
        double worstRatio = 0;
        for (const Result& r : results) {
            worstRatio = std::max(worstRatio, r.Best(method) / r.Best(kRaw));
        }
        std::printf("%s against the raw loop, worst: %.2fx\n", kMethods[method].name, worstRatio);
        for (std::size_t dataBytes : {std::size_t{20}, std::size_t{600}}) {
            std::vector<double> perValue;
            for (const Result& r : results) {
                if (r.load.dataBytes == dataBytes) {
                    perValue.push_back(r.Best(method) / static_cast<double>(r.load.values));
                }
            }
            std::printf("%s time per value, %zu-byte data, N = 10,000 and 100,000 against 1,000: %.2fx %.2fx\n",
                        kMethods[method].name, dataBytes, perValue[1] / perValue[0], perValue[2] / perValue[0]);
        }
    }
    std::printf("reg.exe against NvReg, least: %.2fx slower\n", leastRegExeFactor);
}

int Run()
{
    const Workload loads[] = {{1000, 20}, {1000, 600}, {10000, 20}, {10000, 600}, {100000, 20}, {100000, 600}};

    Bench bench;
    bench.RemoveBenchKey();
    if (!Bench::CreateVolatileKeys()) {
        std::fprintf(stderr, "could not create the benchmark's keys\n");
        return 1;
    }
    // The wineserver's heap grows to hold the largest key once; the first run to need that memory
    // would otherwise pay for it, whichever method it is.
    const Workload& largest = loads[std::size(loads) - 1];
    if (!bench.Seed(largest) || RawLoop() != largest.values) {
        std::fprintf(stderr, "could not warm up with %zu values\n", largest.values);
        return 1;
    }

    PrintHeader();
    std::vector<Result> results;
    bool allDeleted = true;
    for (const Workload& load : loads) {
        std::optional<Result> result = Measure(bench, load);
        if (!result) {
            std::fprintf(stderr, "could not seed %zu values\n", load.values);
            return 1;
        }
        PrintRows(*result);
        allDeleted = allDeleted && std::ranges::none_of(result->measured, &Measured::failed);
        results.push_back(*result);
    }
    bench.RemoveBenchKey();
    PrintSummary(results);
    return allDeleted ? 0 : 1;
}

}  // namespace
}  // namespace nivaro

int main()
{
    return nivaro::Run();
}
