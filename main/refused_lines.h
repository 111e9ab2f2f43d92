#pragma once
// What became of the entries of the user's items file, and its refused lines by reason: for the
// command line's standard error and the window of the other items alike.

#include <cstddef>
#include <limits>
#include <string>
#include <vector>

#include "items/items_file.h"
#include "main/item_preview.h"

namespace nivaro {

struct EntryCounts {
    std::size_t entries = 0;
    std::size_t loaded = 0;
    std::size_t whole = 0;  // loaded with every line of theirs taken
};

EntryCounts CountEntries(const ItemsFile& file);

// The lines refused for one reason, in the order of the file.
struct RefusalGroup {
    std::wstring reason;
    std::vector<const LineFate*> lines;  // each refused for this reason
    std::size_t causes = 0;              // of them, those refused for what they say themselves
    std::size_t entries = 0;             // entries not loaded for it
};

// Most lines first; a reason of as many lines before those of fewer, then by its first line.
std::vector<RefusalGroup> GroupRefusals(const ItemsFile& file);

// Every line shown, or the first few of each reason.
inline constexpr std::size_t kEveryLine = std::numeric_limits<std::size_t>::max();

// The file's counts, then each reason with its counts and its lines: of each reason the lines
// that were refused for what they say themselves, at most `shown` of them, or with kEveryLine
// every refused line. Nothing when every line was taken.
std::vector<std::wstring> DescribeRefusals(const ItemsFile& file, std::size_t shown, const CountFormat& count);

}  // namespace nivaro
