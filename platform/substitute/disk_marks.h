#pragma once
// What Windows keeps for a file and Linux does not: the hidden, system and read-only attributes,
// the files that some program holds open without sharing delete, and the shell items of a folder
// that are no file at all. The substitute file system and shell answer from this record; the
// tests' fixture writes it. Paths are compared after lexical normalisation, so "a//b/" and "a/b"
// are one path.

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace nivaro {

class DiskMarks {
public:
    // Only the hidden, system and read-only bits are kept; the rest are the file system's own.
    void SetAttributes(std::wstring_view path, std::uint32_t attributes);
    std::uint32_t Attributes(std::wstring_view path) const;

    // Holds nest: the file is free once every hold is released.
    void Hold(std::wstring_view path);
    void Release(std::wstring_view path);
    bool IsHeld(std::wstring_view path) const;

    void AddVirtualItem(std::wstring_view folder, std::wstring_view name);
    // False when the folder holds no such item.
    bool RemoveVirtualItem(std::wstring_view folder, std::wstring_view name);
    std::vector<std::wstring> VirtualItems(std::wstring_view folder) const;

    // A folder that stands for the root of a drive.
    void AddVolumeRoot(std::wstring_view folder);
    bool IsVolumeRoot(std::wstring_view folder) const;

    // A path that is gone takes its marks with it, and a folder those of everything under it.
    void Forget(std::wstring_view path);

private:
    mutable std::mutex mutex_;
    std::map<std::string, std::uint32_t> attributes_;
    std::map<std::string, int> holds_;
    std::map<std::string, std::vector<std::wstring>> virtualItems_;
    std::map<std::string, bool> volumeRoots_;
};

// The one record of this process, shared by MakeFileSystem, MakeShell and the tests' fixture.
DiskMarks& SharedDiskMarks();

}  // namespace nivaro
