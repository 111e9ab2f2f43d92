#pragma once
// Runs a program as a user would from a prompt, for a benchmark to time: one of the system's own,
// or one of ours.

#include <optional>
#include <string>
#include <string_view>

namespace nivaro::win32::bench {

// Runs <system folder>\program with these arguments to its exit, its output going nowhere. Its
// exit code; nothing when it could not start.
std::optional<unsigned long> RunSystemCommand(std::wstring_view program, std::wstring_view arguments);

// Runs the program at this path the same way.
std::optional<unsigned long> RunProgram(const std::wstring& path, std::wstring_view arguments);

}  // namespace nivaro::win32::bench
