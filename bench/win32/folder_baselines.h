#pragma once
// The folder benchmark's baselines, straight on the API, and the untimed counting and clearing
// around each measurement.

#include <cstddef>
#include <string>

namespace nivaro::win32::bench {

// The entries of the folder, subfolders included; "." and ".." are not entries.
std::size_t CountEntries(const std::wstring& folder);

bool Exists(const std::wstring& path);

// One more call made for each file of the raw loop, to show what that call adds to a run.
enum class ExtraCall {
    kNone,
    kFindFirstFileEx,     // a one-path listing of the file
    kGetFileAttributesEx, // the file's own attributes
    kPeekMessage,         // a look at the thread's message queue, all of it handled
};

// The practical limit: the folder listed once by FindFirstFileW/FindNextFileW, each file deleted
// by name as the listing reaches it. The number deleted.
std::size_t DeleteWithRawLoop(const std::wstring& folder, ExtraCall extra = ExtraCall::kNone);

// The shell's automation objects as a script drives them: the number of passes is the folder's
// count at the start, and every pass asks the folder for its items afresh and takes the one at
// the pass's index, deleting it by its display name joined to the folder. Deleting shifts the
// list under that index, so about every second entry goes. The number deleted.
std::size_t DeleteRereadingShellList(const std::wstring& folder);

// Deletes what a measurement left and then the folder itself; false when something stays.
bool RemoveFolder(const std::wstring& folder);

}  // namespace nivaro::win32::bench
