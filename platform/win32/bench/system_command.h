#pragma once
// Runs one of the system's own programs as a user would from a prompt, for a benchmark to time.

#include <optional>
#include <string_view>

namespace nivaro::win32::bench {

// Runs <system folder>\program with these arguments to its exit, its output going nowhere. Its
// exit code; nothing when it could not start.
std::optional<unsigned long> RunSystemCommand(std::wstring_view program, std::wstring_view arguments);

}  // namespace nivaro::win32::bench
