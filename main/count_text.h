#pragma once
// How the counts of a preview or a clean are worded wherever a person reads them: the tooltips of
// the main window, the command line's report and the window of the other items all say them
// through these.

#include <cstdint>
#include <functional>
#include <string>

namespace nivaro {

// How counts are written for people: grouped by the user's locale in the program.
using CountFormat = std::function<std::wstring(std::uint64_t)>;

// A preview tells what a clean would do ("3 to remove"), a clean what it did ("3 removed").
enum class CountStage { kPreview, kClean };

// Whether a count of none is said ("0 to remove, 0 to leave", for a report that scripts read) or
// left out ("Nothing to remove", for a line a person glances at).
enum class ZeroCounts { kSaid, kLeftOut };

// "3 to remove", or after a clean "3 removed".
std::wstring RemoveCount(std::uint64_t count, CountStage stage, const CountFormat& format);
// "1 to leave", or after a clean "1 stayed".
std::wstring LeaveCount(std::uint64_t count, CountStage stage, const CountFormat& format);

// Both counts on one line: "3 to remove, 1 to leave". Leaving zeros out, none to remove says
// "Nothing to remove" (and "; 1 to leave" when some would stay), and none to leave says nothing.
std::wstring CountsText(std::uint64_t remove, std::uint64_t leave, CountStage stage, const CountFormat& format,
                        ZeroCounts zeros);

// The plain decimal count, for where no locale is at hand.
std::wstring PlainCount(std::uint64_t count);

}  // namespace nivaro
