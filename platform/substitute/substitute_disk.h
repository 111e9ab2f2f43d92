#pragma once
// The file system and the shell where Windows is not there: the files and folders of a real
// directory, answering as the Win32 backend answers under Wine, which is what it stands in for:
// a folder held by a descriptor, entries looked up relative to it by their exact names, and a
// link followed to what it points at, as Wine follows a Unix link. What Linux does not keep for
// a file comes from a DiskMarks record.

#include <memory>

#include "platform/file_system.h"
#include "platform/shell.h"
#include "platform/substitute/disk_marks.h"

namespace nivaro {

class SubstituteFileSystem final : public FileSystem {
public:
    explicit SubstituteFileSystem(DiskMarks& marks) : marks_(marks) {}

    PathForm Form(std::wstring_view path) override;
    bool Exists(std::wstring_view path) override;
    Result<std::string> ReadFile(std::wstring_view path) override;
    Result<std::unique_ptr<FolderHandle>> OpenFolder(std::wstring_view path) override;
    wchar_t Separator() const override { return L'/'; }

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
