#pragma once
// nivaro-cli: list the built-in items, preview what a clean would remove, and clean, without a
// window. The items, their ids and their targets come from the window's layout table.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/services.h"

namespace nivaro::cli {

namespace exit_code {
inline constexpr int kAllRemoved = 0;  // or there was nothing to remove
inline constexpr int kSomeStayed = 1;
inline constexpr int kUsage = 2;
inline constexpr int kCannotRun = 3;  // an item could not run at all
inline constexpr int kReportNotWritten = 4;  // the report could not be written; the clean has run
inline constexpr int kStopped = 5;  // an unexpected error stopped the run; what went before it stays done
}  // namespace exit_code

// The exception being handled, in words; called only inside a catch block.
std::wstring CurrentErrorText();

// Where the text goes; each answers whether all of it was written.
struct Output {
    std::function<bool(std::wstring_view)> out;
    std::function<bool(std::wstring_view)> err;
};

int RunCli(const std::vector<std::wstring>& args, const PlatformServices& services, const Output& output);

}  // namespace nivaro::cli
