// A real hold: the file opened with no sharing at all, as Chromium opens its cookies and Firefox
// its profile's lock file.

#include <windows.h>

#include "platform/win32/long_path.h"
#include "platform/win32/unique_handles.h"
#include "tests/browsers/file_hold.h"

namespace nivaro::test {
namespace {

class OpenHold final : public FileHold {
public:
    explicit OpenHold(win32::UniqueFile file) : file_(std::move(file)) {}

private:
    win32::UniqueFile file_;
};

}  // namespace

std::unique_ptr<FileHold> HoldWithoutSharing(const FolderFixture&, std::wstring_view path)
{
    win32::UniqueFile file(::CreateFileW(win32::LongPathForm(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return nullptr;
    }
    return std::make_unique<OpenHold>(std::move(file));
}

}  // namespace nivaro::test
