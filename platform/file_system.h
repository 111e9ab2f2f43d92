#pragma once
// The file operations a folder item needs. A folder is held open by handle while its part of a run
// is done, and each of its entries and subfolders is opened relative to that handle by its exact
// name, never through a path spelled again and never through a link; what an entry is and whether
// it goes is decided from its own handle, and the delete goes through the same handle. So nothing
// can be swapped between the look and the delete.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"
#include "platform/shell.h"

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

// How a configured folder path is written.
enum class PathForm {
    kEmpty,
    kRelative,  // needs a current folder or drive to mean anything
    kNetwork,   // a share on another machine
    kFull,
};

// What opening a folder's entry for delete met.
enum class EntryOpen {
    kOpened,
    kDirectory,  // a folder, or a link to one: never opened for delete
    kLocked,     // held open by a program that does not share delete
    kDenied,     // the system refuses delete access
    kNotFound,   // no entry of that name now
    kBadName,    // the system cannot address an entry by this name
    kNotAFile,   // a node that is neither file nor folder
    kFailed,
};

// Where an opened entry's handle really is: a link that the platform follows silently shows
// here as an entry that is somewhere else.
struct EntryLocation {
    bool inFolder = false;  // its parent is the folder itself
    std::wstring leaf;      // its name there, as the platform writes it
};

enum class DeleteOutcome {
    kDeleted,   // marked for deletion; it goes when its handle closes
    kReadOnly,  // the platform refuses to delete a read-only file
    kNotAFile,  // a pipe or another node that the platform does not delete as a file
    kNotEmpty,  // a folder that holds something
    kRefused,
};

// What opening a folder's subfolder met.
enum class FolderOpen {
    kOpened,
    kLink,        // a junction or another link to a folder, opened as itself: never entered
    kNotAFolder,  // a file or another node
    kNotFound,
    kBadName,
    kDenied,
    kFailed,
};

// One entry held open for delete, by handle; closed when its owner goes.
class EntryHandle {
public:
    virtual ~EntryHandle() = default;

    virtual const EntryLocation& Location() const = 0;
    // Whether the handle is on a file, rather than a pipe or another node; asked by a preview,
    // while a clean learns it from the delete.
    virtual bool IsFile() = 0;
    // Deletes the entry through this handle.
    virtual DeleteOutcome Delete() = 0;
    // The whole file, when it holds at most `most` bytes; asked only of a file (IsFile), never of a
    // pipe whose read would wait for a writer. Nothing when it is larger or cannot be read.
    virtual std::optional<std::string> ReadWhole(std::size_t most) = 0;
};

struct EntryOpening {
    EntryOpen outcome = EntryOpen::kFailed;
    long code = 0;                     // the platform's own code for the outcome
    std::unique_ptr<EntryHandle> entry;  // set when opened
};

// What a folder is, whatever path reaches it: its volume and its number there.
struct FolderIdentity {
    std::uint64_t volume = 0;
    std::uint64_t fileHigh = 0;
    std::uint64_t fileLow = 0;

    friend bool operator==(const FolderIdentity&, const FolderIdentity&) = default;
};

class FolderHandle;

struct FolderOpening {
    FolderOpen outcome = FolderOpen::kFailed;
    long code = 0;  // the platform's own code for the outcome
    std::unique_ptr<FolderHandle> folder;  // set when opened
    // Where the opened handle really is: a link that the platform follows silently shows here as
    // a folder that is somewhere else.
    EntryLocation location;
};

// A folder held open by handle for its part of a run.
class FolderHandle : public EntryLister {
public:
    // Where the folder really is, its own links followed, as people write it.
    virtual const std::wstring& Path() const = 0;
    // True for the root of a drive or volume.
    virtual bool IsVolumeRoot() const = 0;
    // The folder's identity, then that of each folder that holds it, nearest first, as far up as
    // the platform can tell: past a drive's root too, where the drive is itself a folder of
    // another (as Wine's drives are folders of the Linux tree). The walk ends at the first folder
    // in `known`, which ends the list: a caller that knows what holds that one need not ask again.
    virtual std::vector<FolderIdentity> Lineage(std::span<const FolderIdentity> known) const = 0;
    // True when the folder is reached outside the system's own drives: under Wine, through the
    // drive that maps the Linux root, or through no drive at all.
    virtual bool OutsideTheDrives() const = 0;
    // The entry of exactly this name in this folder, opened for delete without following a link.
    virtual EntryOpening Open(std::wstring_view name) = 0;
    // Whether the folder holds an entry of exactly this name now: one open relative to the folder,
    // never a listing. A name that opens another entry (one that differs in case, or without its
    // trailing dots) is not held.
    virtual bool Holds(std::wstring_view name) = 0;
    // Whether the folder that the path it was opened at names now is still this very folder, a link
    // there opened as itself; false whenever that cannot be told. A platform that deletes an entry
    // by its path as the entry's handle closes deletes in this folder only while it is in place.
    // One lookup of names that exist, unlike Holds of a name that is gone.
    virtual bool StillInPlace() = 0;
    // The subfolder of exactly this name, opened relative to this folder, never through a link it
    // can tell; with `forRemoval` its handle may also remove it. Its entries are listed and opened
    // as this folder's are.
    virtual FolderOpening OpenSubfolder(std::wstring_view name, bool forRemoval = false) = 0;
    // Removes this folder through its own handle when it holds nothing; only a folder opened for
    // removal. It goes when its handle closes.
    virtual DeleteOutcome RemoveIfEmpty() = 0;
    // The folder's entries from its own listing, when the shell cannot show them.
    Result<bool> Next(std::vector<ShellEntry>& out, std::size_t most) override = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    virtual PathForm Form(std::wstring_view path) = 0;
    // Whether a file or folder is at this path; a link counts whether or not its target is there.
    virtual bool Exists(std::wstring_view path) = 0;
    // A small file's bytes, such as a settings file; a file past kLargestReadableFile is refused
    // with FileTooLarge().
    virtual Result<std::string> ReadFile(std::wstring_view path) = 0;
    // The folder at this path, its own links followed. Fails when nothing is there or it is no folder.
    virtual Result<std::unique_ptr<FolderHandle>> OpenFolder(std::wstring_view path) = 0;
    // The separator of the paths this file system gives out.
    virtual wchar_t Separator() const = 0;
};

// The platform's error numbers for a folder that is not there, as OpenFolder fails with them,
// and for a file too large to be read whole.
namespace file_status {
inline constexpr long kFileNotFound = 2;
inline constexpr long kPathNotFound = 3;
inline constexpr long kFileTooLarge = 223;
inline constexpr long kDirectoryInvalid = 267;  // a path that names a file, not a folder
}  // namespace file_status

// No settings file comes near this; a file past it is something else, and is not read into memory.
inline constexpr std::uint64_t kLargestReadableFile = 8 << 20;

// ReadFile's refusal of a file past kLargestReadableFile, in the same words on every platform:
// the system's own words for the error number say nothing of the limit.
inline Error FileTooLarge()
{
    return {file_status::kFileTooLarge, L"The file is larger than " +
                                            std::to_wstring(kLargestReadableFile >> 20) + L" MB, too large to be read."};
}

}  // namespace nivaro
