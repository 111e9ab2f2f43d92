#pragma once
// The user's items file in the test prefix's %AppData%, as the program reads it when it opens the
// window of the other items; whatever was there before comes back afterwards.

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "platform/backend.h"

namespace nivaro::win32::testing {

class UserItemsFile {
public:
    explicit UserItemsFile(std::string_view text)
    {
        const std::optional<std::wstring> appData = MakeEnvironment()->KnownFolder(KnownPlace::kRoamingAppData);
        if (!appData) {
            return;
        }
        folder_ = *appData + L"\\Nivaro";
        path_ = folder_ + L"\\items.ini";
        madeFolder_ = ::CreateDirectoryW(folder_.c_str(), nullptr) != 0;
        if (std::ifstream in(std::filesystem::path(path_), std::ios::binary); in) {
            before_ = std::string(std::istreambuf_iterator<char>(in), {});
        }
        std::ofstream out(std::filesystem::path(path_), std::ios::binary | std::ios::trunc);
        out << text;
        written_ = static_cast<bool>(out);
    }
    UserItemsFile(const UserItemsFile&) = delete;
    UserItemsFile& operator=(const UserItemsFile&) = delete;
    ~UserItemsFile()
    {
        if (path_.empty()) {
            return;
        }
        if (before_) {
            std::ofstream(std::filesystem::path(path_), std::ios::binary | std::ios::trunc) << *before_;
            return;
        }
        ::DeleteFileW(path_.c_str());
        if (madeFolder_) {
            ::RemoveDirectoryW(folder_.c_str());
        }
    }
    bool Written() const { return written_; }

private:
    std::wstring folder_;
    std::wstring path_;
    bool madeFolder_ = false;
    std::optional<std::string> before_;
    bool written_ = false;
};

}  // namespace nivaro::win32::testing
