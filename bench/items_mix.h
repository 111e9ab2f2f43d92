#pragma once
// An items file made to the community database's mix, for the benchmarks: the counts of its July
// 2026 edition (4,067 entries; 14,118 FileKey and 3,677 RegKey lines; 5,522 REMOVESELF, 2,184
// RECURSE; wildcards in 5,764 paths; 495 HKLM lines, 317 of them Detect; 70 HKU; 8 HKCR; 86
// ExcludeKey; 5 Warning) scaled to the entries asked for, with names and paths of its own. The
// same file every time.

#include <cstddef>
#include <string>

namespace nivaro::bench {

struct MixOptions {
    std::size_t entries = 4000;
    // Each entry's detection is this key of the user's hive, which the benchmark makes, instead
    // of the application keys and folders of the mix: every entry is shown.
    std::wstring detectedBy;
};

std::string MakeCommunityMix(const MixOptions& options);

}  // namespace nivaro::bench
