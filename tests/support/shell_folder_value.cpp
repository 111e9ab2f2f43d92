#include "tests/support/folder_fixture.h"
#include "platform/utf16.h"

namespace nivaro {
namespace {

// Spelled out here rather than taken from the item, so that a test run through this value also
// checks the key the item reads.
constexpr std::wstring_view kUserShellFolders = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

}  // namespace

ShellFolderValue::ShellFolderValue(RegistryApi& registry, std::wstring_view name, std::wstring_view path,
                                   bool terminated, std::uint32_t type)
    : registry_(registry), name_(name)
{
    if (registry_.CreateKey(kCurrentUser, kUserShellFolders, key_) != reg_status::kSuccess) {
        return;
    }
    std::uint32_t size = 0;
    if (registry_.QueryValue(key_, name_, previousType_, {}, size) == reg_status::kSuccess) {
        previousData_.resize(size);
        hadValue_ = size == 0 ||
                    registry_.QueryValue(key_, name_, previousType_, previousData_, size) == reg_status::kSuccess;
        if (!hadValue_) {
            return;  // a value that cannot be read back cannot be put back either
        }
    }
    std::wstring text(path);
    if (terminated) {
        text.push_back(L'\0');
    }
    written_ = registry_.SetValue(key_, name_, type, EncodeUtf16(text)) == reg_status::kSuccess;
}

ShellFolderValue::~ShellFolderValue()
{
    if (!written_) {
        return;
    }
    if (hadValue_) {
        (void)registry_.SetValue(key_, name_, previousType_, previousData_);
    } else {
        (void)registry_.DeleteValue(key_, name_);
    }
}

}  // namespace nivaro
