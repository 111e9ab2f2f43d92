#pragma once
// The folders a path with wildcards names, found from the folder before its first wildcard: each
// component matched by listing the folder already open before it, never by a path spelled again,
// and each match opened from there by its exact name. A folder that is a link, of whatever kind,
// is never a match. How many folders one item may open this way and below is bounded.

#include <cstddef>
#include <span>
#include <string>

#include "items/folder_entries.h"
#include "platform/error.h"
#include "platform/file_system.h"

namespace nivaro {

// The most folders one item opens below the folders its paths name by themselves: wildcard
// matches, the folders on the way to them, and folders a recursive walk enters.
inline constexpr std::size_t kMostFoldersPerItem = 10000;

class FolderBudget {
public:
    // False once the item has opened as many as it may.
    bool Take()
    {
        if (left_ == 0) {
            return false;
        }
        --left_;
        return true;
    }

private:
    std::size_t left_ = kMostFoldersPerItem;
};

// What the expansion tells of each step: a folder it opened on the way (`Entered`, which gives the
// token that stands for that folder in later calls), each folder the whole path names (`Matched`),
// and each entry a wildcard matched that is not entered (`Passed`, with why).
class ExpansionSink {
public:
    virtual std::size_t Entered(std::size_t parent, const std::wstring& name, const FolderHandle& folder) = 0;
    virtual void Matched(std::size_t token, FolderHandle& folder) = 0;
    virtual void Passed(std::size_t parent, const ShellEntry& entry, LeaveReason why) = 0;

protected:
    ~ExpansionSink() = default;
};

// Matches `components` below the open folder `from` (whose token is `token`). Fails, with a
// message that says so, when a listing fails or the budget runs out; what was found by then has
// been told to the sink.
Result<> ExpandFolders(FolderHandle& from, std::size_t token, std::span<const std::wstring> components,
                       FolderBudget& budget, ExpansionSink& sink);

// The message ExpandFolders fails with when an item reaches more folders than it may.
Error TooManyFolders(std::wstring_view where);

}  // namespace nivaro
