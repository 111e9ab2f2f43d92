#pragma once
// The files of a browser's profile, reached by handle: the profile's folders are held open, and
// each file and subfolder is opened relative to its folder by its exact name, never through a
// link, and checked to be where its name says before anything is read from it. A database that
// SQLite has to open by path is compared afterwards, by identity, with the file checked here.
//
// A folder that configuration names (a browser's user-data folder, a profile that profiles.ini
// places anywhere) is taken where it really is, its own links followed as a folder item's folder
// is; what lies inside it is never reached through a link.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/error.h"
#include "platform/file_system.h"

struct sqlite3;

namespace nivaro {

// A file's identity on its volume: two handles with the same identity are on the same file.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t indexHigh = 0;
    std::uint64_t indexLow = 0;

    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// What a plain file is, seen through its own handle.
struct FileFacts {
    FileIdentity identity;
    std::uint64_t size = 0;
    std::uint32_t names = 1;  // hard links: a file with several names is also somewhere else
};

// Why a profile's entry could not be reached; the error numbers ProfileFiles fails with, beside
// the platform's own for a missing file (file_status::kFileNotFound).
namespace profile_status {
inline constexpr std::int32_t kLink = 4390;        // a link, or its handle leads somewhere else
inline constexpr std::int32_t kNotAFile = 4391;    // a folder, a pipe or a device where a file was expected
inline constexpr std::int32_t kBadName = 4392;     // a name that holds a separator, or is . or ..
inline constexpr std::int32_t kTooLarge = 4393;    // past the size the caller reads
inline constexpr std::int32_t kNotAFolder = 4394;  // a file where a folder was expected
}  // namespace profile_status

// A folder of a profile, held open by handle for as long as this lives.
class ProfileFolder {
public:
    virtual ~ProfileFolder() = default;
    // Where the folder really is, as people write it.
    virtual const std::wstring& Path() const = 0;
    virtual bool IsVolumeRoot() const = 0;
};

class ProfileFiles {
public:
    virtual ~ProfileFiles() = default;

    // The folder a configured path names, where it really is. Fails with the platform's "not
    // found" codes (file_status) when nothing is there.
    virtual Result<std::unique_ptr<ProfileFolder>> OpenFolder(std::wstring_view path) = 0;
    // The folder of exactly this name inside `parent`; refused when it is a link of any kind.
    virtual Result<std::unique_ptr<ProfileFolder>> OpenSubfolder(ProfileFolder& parent, std::wstring_view name) = 0;
    // The plain file of exactly this name inside `folder`; refused when it is a link, leads
    // elsewhere or is no plain file.
    virtual Result<FileFacts> Examine(ProfileFolder& folder, std::wstring_view name) = 0;
    // Its bytes, when it holds at most `most`; refused with kTooLarge past that.
    virtual Result<std::string> Read(ProfileFolder& folder, std::wstring_view name, std::uint64_t most) = 0;
    // Its first bytes, up to `most`, however long it is.
    virtual Result<std::string> ReadStart(ProfileFolder& folder, std::wstring_view name, std::size_t most) = 0;
    // Whether another program holds the file open without letting others read it, as a running
    // browser holds its cookie database and its profile's lock file.
    virtual bool HeldByAnother(ProfileFolder& folder, std::wstring_view name) = 0;
    // The identity of the file a connection holds open as its main database.
    virtual Result<FileIdentity> OpenedDatabase(sqlite3* connection) = 0;
    // The separator of the paths this backend gives out.
    virtual wchar_t Separator() const = 0;
};

// This backend's profile files: the Win32 API's, or the substitute's over a real directory.
std::unique_ptr<ProfileFiles> MakeProfileFiles();

}  // namespace nivaro
