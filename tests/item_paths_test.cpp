#include "items/item_paths.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/substitute/substitute_environment.h"

namespace nivaro {
namespace {

// Known folders and variables of the substitute environment set for one test, and taken back.
class Places {
public:
    ~Places()
    {
        for (const KnownPlace place : set_) {
            SubstituteEnvironment::SetKnownFolder(place, std::nullopt);
        }
        for (const char* name : variables_) {
            ::unsetenv(name);
        }
    }
    void Set(KnownPlace place, std::wstring path)
    {
        SubstituteEnvironment::SetKnownFolder(place, std::move(path));
        set_.push_back(place);
    }
    void SetVariable(const char* name, const char* value)
    {
        ::setenv(name, value, 1);
        variables_.push_back(name);
    }

private:
    std::vector<KnownPlace> set_;
    std::vector<const char*> variables_;
};

TEST(ItemPath, NamesTheFoldersOfThisMachineWithThePlatformsSeparator)
{
    Places places;
    places.Set(KnownPlace::kLocalAppData, L"/home/u/local");
    places.Set(KnownPlace::kDocuments, L"/home/u/Documents");
    places.Set(KnownPlace::kProgramFiles, L"/pf");
    places.Set(KnownPlace::kProgramFilesX86, L"/pf86");
    places.SetVariable("CommonProgramFiles", "/pf/common");
    places.SetVariable("SystemDrive", "C:");
    SubstituteEnvironment environment;

    struct Case {
        const wchar_t* path;
        wchar_t separator;
        std::vector<std::wstring> folders;
    };
    const Case cases[] = {
        {L"%LocalAppData%\\Foo\\*\\Cache", L'/', {L"/home/u/local/Foo/*/Cache"}},
        {L"%localappdata%/Foo/", L'/', {L"/home/u/local/Foo"}},
        {L"%Documents%", L'/', {L"/home/u/Documents"}},
        // Both Program Files folders, as the format looks in both; its twin when it is the same folder, once.
        {L"%ProgramFiles%\\App", L'/', {L"/pf/App", L"/pf86/App"}},
        {L"%ProgramFiles(x86)%\\App", L'/', {L"/pf86/App"}},
        {L"%CommonProgramFiles%\\App", L'/', {L"/pf/common/App"}},  // no 32-bit twin set here
        {L"%SystemDrive%\\Logs", L'\\', {L"C:\\Logs"}},
        {L"D:\\Logs\\", L'\\', {L"D:\\Logs"}},
        {L"%Music%\\App", L'/', {}},  // the system has no such folder here
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ItemPathFolders(environment, c.path, c.separator), c.folders) << testing::PrintToString(c.path);
    }

    places.Set(KnownPlace::kProgramFilesX86, L"/pf");
    EXPECT_EQ(ItemPathFolders(environment, L"%ProgramFiles%\\App", L'/'), std::vector<std::wstring>{L"/pf/App"});
}

TEST(ItemPath, IsWrittenOneWayForEverySpelling)
{
    struct Case {
        const wchar_t* written;
        const wchar_t* text;
    };
    const Case cases[] = {
        {L"%APPDATA%\\Foo\\", L"%AppData%\\Foo"},
        {L"%appdata%/Foo/Bar", L"%AppData%\\Foo\\Bar"},
        {L"c:\\Logs", L"c:\\Logs"},
        {L"%ProgramFiles(X86)%\\App*", L"%ProgramFiles(x86)%\\App*"},
    };
    for (const Case& c : cases) {
        const auto path = ParseItemPath(c.written);
        ASSERT_TRUE(path) << testing::PrintToString(c.written);
        EXPECT_EQ(path->text, c.text);
    }
}

}  // namespace
}  // namespace nivaro
