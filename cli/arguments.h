#pragma once
// The command line of nivaro-cli: a command, item ids and a few options.

#include <expected>
#include <optional>
#include <string>
#include <vector>

namespace nivaro::cli {

enum class Command { kHelp, kVersion, kList, kPreview, kClean };

struct Arguments {
    Command command = Command::kHelp;
    std::vector<std::wstring> ids;  // as given; none: the main window's items whose boxes start checked
    bool all = false;               // the main window's six, as "Clean All" does
    bool every = false;             // every item there is
    std::vector<std::wstring> groups;  // every item of these groups, as list shows them
    bool json = false;
    bool verbose = false;  // every refused line of the items file, not the first few of each reason
    std::optional<std::wstring> itemsFile;  // instead of %AppData%\Nivaro\items.ini
};

// A usage error's message, for standard error.
using UsageError = std::wstring;

std::expected<Arguments, UsageError> ParseArguments(const std::vector<std::wstring>& args);

extern const wchar_t* const kUsage;

}  // namespace nivaro::cli
