// The substitute keeps any program's hold on a file as one mark, which its profile files answer
// from: the folder fixture's hold is that mark.

#include "tests/browsers/file_hold.h"

namespace nivaro::test {

std::unique_ptr<FileHold> HoldWithoutSharing(const FolderFixture& disk, std::wstring_view path)
{
    return disk.HoldWithoutDeleteSharing(path);
}

}  // namespace nivaro::test
