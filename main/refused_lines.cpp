#include "main/refused_lines.h"

#include <algorithm>
#include <map>
#include <set>

namespace nivaro {
namespace {

std::wstring Plural(std::size_t n, std::wstring_view one, std::wstring_view many, const CountFormat& count)
{
    return count(n) + L" " + std::wstring(n == 1 ? one : many);
}

}  // namespace

EntryCounts CountEntries(const ItemsFile& file)
{
    std::set<std::size_t> partial;
    for (const LineFate& fate : file.lines) {
        if (!fate.accepted) {
            partial.insert(fate.section);
        }
    }
    EntryCounts counts{.entries = file.entries.size(), .loaded = file.items.size()};
    for (const std::size_t line : file.entries) {
        // The lines are in the order of the file.
        const auto fate = std::ranges::lower_bound(file.lines, line, {}, &LineFate::line);
        const bool loaded = fate != file.lines.end() && fate->line == line && fate->accepted;
        counts.whole += loaded && !partial.contains(line) ? 1 : 0;
    }
    return counts;
}

std::vector<RefusalGroup> GroupRefusals(const ItemsFile& file)
{
    const std::set<std::size_t> entries(file.entries.begin(), file.entries.end());
    std::map<std::wstring, RefusalGroup> byReason;
    for (const LineFate& fate : file.lines) {
        if (fate.accepted) {
            continue;
        }
        RefusalGroup& group = byReason[fate.reason];
        group.reason = fate.reason;
        group.lines.push_back(&fate);
        group.causes += fate.cause == 0 ? 1 : 0;
        group.entries += entries.contains(fate.line) ? 1 : 0;
    }
    std::vector<RefusalGroup> groups;
    for (auto& [reason, group] : byReason) {
        groups.push_back(std::move(group));
    }
    std::ranges::sort(groups, [](const RefusalGroup& a, const RefusalGroup& b) {
        if (a.lines.size() != b.lines.size()) {
            return a.lines.size() > b.lines.size();
        }
        return a.lines.front()->line < b.lines.front()->line;
    });
    return groups;
}

std::vector<std::wstring> DescribeRefusals(const ItemsFile& file, std::size_t shown, const CountFormat& count)
{
    const std::vector<RefusalGroup> groups = GroupRefusals(file);
    if (groups.empty()) {
        return {};
    }
    const EntryCounts counts = CountEntries(file);
    std::size_t refused = 0;
    for (const RefusalGroup& group : groups) {
        refused += group.lines.size();
    }
    std::vector<std::wstring> text;
    text.push_back(count(counts.loaded) + L" of " + Plural(counts.entries, L"entry", L"entries", count) + L" loaded, " +
                   count(counts.whole) + L" of them with every line; " + Plural(refused, L"line", L"lines", count) +
                   L" refused, by reason:");
    for (const RefusalGroup& group : groups) {
        std::wstring heading = L"  " + group.reason + L": " + Plural(group.lines.size(), L"line", L"lines", count);
        if (group.entries > 0) {
            heading += L", " + Plural(group.entries, L"entry", L"entries", count) + L" not loaded";
        }
        text.push_back(std::move(heading));
        std::size_t listed = 0;
        for (const LineFate* fate : group.lines) {
            // In short, the lines that say what is wrong; the lines refused with their entries only echo them.
            if (shown != kEveryLine && (fate->cause != 0 || listed == shown)) {
                continue;
            }
            text.push_back(L"    " + fate->message);
            ++listed;
        }
        if (listed < group.lines.size()) {
            text.push_back(L"    and " + count(group.lines.size() - listed) + L" more");
        }
    }
    return text;
}

}  // namespace nivaro
