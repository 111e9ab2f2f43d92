#include "cli/arguments.h"

#include <algorithm>
#include <array>
#include <utility>

namespace nivaro::cli {

const wchar_t* const kUsage =
    LR"(Usage: nivaro-cli COMMAND [ID...] [--all | --every | --group NAME] [--json] [--items FILE]
                  [--verbose]
       nivaro-cli --version      the program's version

Commands:
  list       every item: id, title, kind, group, whether it is on by default, target
  preview    what a clean would remove now, and what it would leave and why; changes nothing
  clean      removes it, and says what was removed and what stayed and why
  help       this text (also --help)

Items: give ids (see list). With none, the main window's items whose boxes start
checked, as "Clean" in the window.
  --all          the main window's six, as "Clean All"
  --group NAME   every item of a group as list shows it: Nivaro, Windows, "Your items"
                 (may be given more than once)
  --every        every item there is, whether on by default or not

Options:
  --json         one JSON document instead of text (preview and clean)
  --items FILE   your own items and keep-lists from FILE instead of
                 %AppData%\Nivaro\items.ini
  --verbose      every line of the items file that was refused, on standard error;
                 without it, the counts by reason and the first few lines of each
                 (with --json, the report lists every one)

Before a clean, the warning of each item that has one goes to standard error.

Exit codes:
  0  everything targeted was removed, or there was nothing to remove
  1  some entries stayed: a read-only or locked file, a link, a name the system cannot
     address, a delete the system refused (subfolders, links to folders, a folder's
     desktop.ini and what the keep-list names are never targets)
  2  usage error: an unknown command, id, group or option
  3  an item could not run at all: its folder was not found or is protected, or its
     key is a link
  4  the report could not be written (a full disk, a closed output); the clean has run
  5  an unexpected error stopped the run (the system ran out of memory or handles); what
     was done before it is reported and stays done
)";

std::expected<Arguments, UsageError> ParseArguments(const std::vector<std::wstring>& args)
{
    constexpr std::array<std::pair<std::wstring_view, Command>, 4> kCommands = {{
        {L"list", Command::kList},
        {L"preview", Command::kPreview},
        {L"clean", Command::kClean},
        {L"help", Command::kHelp},
    }};
    Arguments parsed;
    bool commandSeen = false;
    for (std::size_t at = 0; at < args.size(); ++at) {
        const std::wstring& arg = args[at];
        if (arg == L"--help" || arg == L"-h" || arg == L"/?") {
            return Arguments{};
        }
        if (arg == L"--version") {
            return Arguments{.command = Command::kVersion};
        }
        if (arg == L"--group" || arg == L"--items") {
            if (at + 1 == args.size()) {
                return std::unexpected(arg + L" needs a value");
            }
            if (arg == L"--group") {
                parsed.groups.push_back(args[++at]);
            } else {
                parsed.itemsFile = args[++at];
            }
        } else if (arg == L"--all") {
            parsed.all = true;
        } else if (arg == L"--every") {
            parsed.every = true;
        } else if (arg == L"--json") {
            parsed.json = true;
        } else if (arg == L"--verbose" || arg == L"-v") {
            parsed.verbose = true;
        } else if (arg.starts_with(L"-")) {
            return std::unexpected(L"unknown option '" + arg + L"'");
        } else if (!commandSeen) {
            auto found = std::ranges::find(kCommands, arg, &std::pair<std::wstring_view, Command>::first);
            if (found == kCommands.end()) {
                return std::unexpected(L"unknown command '" + arg + L"'");
            }
            parsed.command = found->second;
            commandSeen = true;
        } else {
            parsed.ids.push_back(arg);
        }
    }
    if (!commandSeen) {
        return std::unexpected(std::wstring(L"no command given"));
    }
    const bool selects = parsed.command == Command::kPreview || parsed.command == Command::kClean;
    const int ways = (parsed.all ? 1 : 0) + (parsed.every ? 1 : 0) + (parsed.groups.empty() ? 0 : 1) +
                     (parsed.ids.empty() ? 0 : 1);
    if (!selects && ways > 0) {
        return std::unexpected(std::wstring(L"only preview and clean take items"));
    }
    if (ways > 1) {
        return std::unexpected(std::wstring(L"give ids, --all, --group or --every, not both"));
    }
    if (parsed.json && !selects) {
        return std::unexpected(std::wstring(L"--json goes with preview and clean"));
    }
    return parsed;
}

}  // namespace nivaro::cli
