#pragma once
// The command line of nivaro-cli: a command, item ids and a few options.

#include <expected>
#include <string>
#include <vector>

namespace nivaro::cli {

enum class Command { kHelp, kList, kPreview, kClean };

struct Arguments {
    Command command = Command::kHelp;
    std::vector<std::wstring> ids;  // as given; empty for the items whose boxes start checked
    bool all = false;               // every item, as "Clean All" does
    bool json = false;
};

// A usage error's message, for standard error.
using UsageError = std::wstring;

std::expected<Arguments, UsageError> ParseArguments(const std::vector<std::wstring>& args);

extern const wchar_t* const kUsage;

}  // namespace nivaro::cli
