#pragma once
// Holds a file open the way a running browser holds its cookie database and Firefox its
// parent.lock: without letting any other program read, write or delete it.

#include <memory>
#include <string_view>

#include "tests/support/folder_fixture.h"

namespace nivaro::test {

// Nothing when the file cannot be opened.
[[nodiscard]] std::unique_ptr<FileHold> HoldWithoutSharing(const FolderFixture& disk, std::wstring_view path);

}  // namespace nivaro::test
