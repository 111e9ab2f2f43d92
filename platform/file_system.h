#pragma once
// The file operations a folder item needs, as the platform's wide file functions give them.

#include <cstdint>
#include <optional>
#include <string_view>

namespace nivaro {

namespace file_attr {
inline constexpr std::uint32_t kReadOnly = 0x1;
inline constexpr std::uint32_t kHidden = 0x2;
inline constexpr std::uint32_t kSystem = 0x4;
inline constexpr std::uint32_t kDirectory = 0x10;
inline constexpr std::uint32_t kArchive = 0x20;
inline constexpr std::uint32_t kNormal = 0x80;
inline constexpr std::uint32_t kReparsePoint = 0x400;
}  // namespace file_attr

// The platform's error codes that the logic tells apart.
namespace file_status {
inline constexpr long kSuccess = 0;
inline constexpr long kFileNotFound = 2;
inline constexpr long kPathNotFound = 3;
inline constexpr long kAccessDenied = 5;
inline constexpr long kSharingViolation = 32;
}  // namespace file_status

// One entry as a listing of its own path reports it. A link is reported as itself, not as its target.
struct DirectoryEntry {
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The attribute bits of a path; nothing for an empty, missing or unreadable path.
    virtual std::optional<std::uint32_t> Attributes(std::wstring_view path) = 0;
    // The entry this path names, hidden, system and directory entries included, a link as the
    // link itself; nothing when no entry of that name exists (a wildcard names none).
    virtual std::optional<DirectoryEntry> FindEntry(std::wstring_view path) = 0;
    // Removes one file (a link as a link). Fails on a directory, a read-only file and a file held
    // open without delete sharing. Answers 0 or the platform's error code.
    virtual long RemoveFile(std::wstring_view path) = 0;
    // Whether RemoveFile would succeed now, found out without changing anything: 0 or the code it
    // would meet.
    virtual long CheckDeletable(std::wstring_view path) = 0;
};

}  // namespace nivaro
