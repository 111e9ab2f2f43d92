#pragma once
// What became of one target of a plan, as the tables of the preview-and-clean tests write it:
// removed, or left with its reason.

#include <ostream>
#include <string>
#include <string_view>

#include "items/folder_entries.h"

namespace nivaro {

struct Outcome {
    bool removed = false;
    LeaveReason reason = LeaveReason::kNone;

    friend bool operator==(const Outcome&, const Outcome&) = default;
};

inline void PrintTo(const Outcome& outcome, std::ostream* out)
{
    const std::wstring_view reason = LeaveReasonText(outcome.reason);
    *out << (outcome.removed ? "removed" : "stays: " + std::string(reason.begin(), reason.end()));
}

inline constexpr Outcome kRemoved{true, LeaveReason::kNone};

constexpr Outcome Stays(LeaveReason reason)
{
    return {false, reason};
}

}  // namespace nivaro
