#pragma once
// The file system and the shell where Windows is not there: the files and folders of a real
// directory through std::filesystem, answering as the Win32 file functions and the shell's
// namespace do. What Linux does not keep for a file comes from a DiskMarks record.

#include <memory>

#include "platform/file_system.h"
#include "platform/shell.h"
#include "platform/substitute/disk_marks.h"

namespace nivaro {

class SubstituteFileSystem final : public FileSystem {
public:
    explicit SubstituteFileSystem(DiskMarks& marks) : marks_(marks) {}

    std::optional<std::uint32_t> Attributes(std::wstring_view path) override;
    std::optional<DirectoryEntry> FindEntry(std::wstring_view path) override;
    long RemoveFile(std::wstring_view path) override;
    long CheckDeletable(std::wstring_view path) override;

private:
    DiskMarks& marks_;
};

class SubstituteShell final : public Shell {
public:
    explicit SubstituteShell(DiskMarks& marks) : marks_(marks) {}

    Result<std::unique_ptr<ShellFolder>> NameSpace(std::wstring_view path) override;

private:
    DiskMarks& marks_;
};

}  // namespace nivaro
