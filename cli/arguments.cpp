#include "cli/arguments.h"

#include <algorithm>
#include <array>
#include <utility>

namespace nivaro::cli {

const wchar_t* const kUsage =
    LR"(Usage: nivaro-cli COMMAND [ID...] [--all] [--json]

Commands:
  list       the six items in window order: id, title, kind, target, whether its box starts checked
  preview    what a clean would remove now, and what it would leave and why; changes nothing
  clean      removes it, and says what was removed and what stayed and why
  help       this text (also --help)

Items: give ids (see list); with none, the items whose boxes start checked, as "Clean" in the
window; --all for all six, as "Clean All".

Options:
  --all      every item
  --json     one JSON document instead of text (preview and clean)

Exit codes:
  0  everything targeted was removed, or there was nothing to remove
  1  some entries stayed: a read-only or locked file, a link, a name the system cannot
     address, a delete the system refused (subfolders, links to folders and a folder's
     desktop.ini are never targets)
  2  usage error: an unknown command, id or option
  3  an item could not run at all: its folder was not found or is protected, or its
     key is a link
  4  the report could not be written (a full disk, a closed output); the clean has run
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
    for (const std::wstring& arg : args) {
        if (arg == L"--help" || arg == L"-h" || arg == L"/?") {
            return Arguments{};
        }
        if (arg == L"--all") {
            parsed.all = true;
        } else if (arg == L"--json") {
            parsed.json = true;
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
    if (!selects && (parsed.all || !parsed.ids.empty())) {
        return std::unexpected(std::wstring(L"only preview and clean take items"));
    }
    if (parsed.all && !parsed.ids.empty()) {
        return std::unexpected(std::wstring(L"give ids or --all, not both"));
    }
    if (parsed.json && !selects) {
        return std::unexpected(std::wstring(L"--json goes with preview and clean"));
    }
    return parsed;
}

}  // namespace nivaro::cli
