#include "items/items_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <set>

#include "platform/utf16.h"
#include "platform/utf8.h"

namespace nivaro {
namespace {

ItemsFile Read(std::string_view text, std::initializer_list<std::string_view> knownIds = {})
{
    const std::set<std::string, std::less<>> known(knownIds.begin(), knownIds.end());
    return ReadItemsFile(text, [&](std::string_view id) { return known.contains(id); });
}

FolderTarget Folder(std::wstring path, std::vector<std::wstring> patterns, FolderDepth depth = FolderDepth::kOwnEntries)
{
    return {.form = FolderForm::kExpanded, .path = std::move(path), .patterns = std::move(patterns), .depth = depth};
}

RegistryTarget Values(std::wstring key, std::optional<std::wstring> value = std::nullopt)
{
    RegistryTarget target;
    target.key = std::move(key);
    target.wholeKey = !value;
    target.value = std::move(value);
    return target;
}

Detection KeyThere(RegistryRoot root, std::wstring path)
{
    return {Detection::Kind::kKey, root, std::move(path)};
}

Detection FileThere(std::wstring path)
{
    return {Detection::Kind::kFile, kCurrentUser, std::move(path)};
}

// The item every line of the tables below is written into.
constexpr std::string_view kTestSection = "[Test *]\nFileKey1=%Temp%|*.tmp\n";

ItemDefinition TestItem()
{
    ItemDefinition item;
    item.id = "user-test";
    item.title = L"Test";
    item.group = L"Your items";
    item.onByDefault = false;
    item.targets.push_back(Folder(L"%Temp%", {L"*.tmp"}));
    return item;
}

bool Mentions(const LineFate& fate, std::wstring_view fragment)
{
    return fate.message.find(fragment) != std::wstring::npos;
}

std::vector<bool> Accepted(const ItemsFile& file)
{
    std::vector<bool> accepted;
    for (const LineFate& fate : file.lines) {
        accepted.push_back(fate.accepted);
    }
    return accepted;
}

TEST(ItemsFileLines, TakesEachKindOfLine)
{
    struct Case {
        const char* line;
        void (*change)(ItemDefinition&);
    };
    const Case cases[] = {
        {R"(FileKey2=%LocalAppData%\Foo\|*.log; ;*.txt)",
         [](ItemDefinition& d) { d.targets.push_back(Folder(L"%LocalAppData%\\Foo", {L"*.log", L"*.txt"})); }},
        {R"(filekey10=C:\Logs|*.log;*.*)", [](ItemDefinition& d) { d.targets.push_back(Folder(L"C:\\Logs", {})); }},
        {"  FileKey3 = %userprofile%/x/ | a?.bak  ",
         [](ItemDefinition& d) { d.targets.push_back(Folder(L"%UserProfile%\\x", {L"a?.bak"})); }},
        {R"(FileKey4=%LocalAppData%\Google\Chrome*\User Data\*\Cache|*.*|RECURSE)",
         [](ItemDefinition& d) {
             d.targets.push_back(Folder(L"%LocalAppData%\\Google\\Chrome*\\User Data\\*\\Cache", {}, FolderDepth::kRecurse));
         }},
        {R"(FileKey5=%AppData%\Foo\Profiles\????????.default|*.sqlite|removeself)",
         [](ItemDefinition& d) {
             d.targets.push_back(Folder(L"%AppData%\\Foo\\Profiles\\????????.default", {L"*.sqlite"}, FolderDepth::kRemoveSelf));
         }},
        {R"(RegKey1=HKCU\Software\Foo)", [](ItemDefinition& d) { d.targets.push_back(Values(L"Software\\Foo")); }},
        {R"(REGKEY7=hkey_current_user\Software\Foo\|Last Used)",
         [](ItemDefinition& d) { d.targets.push_back(Values(L"Software\\Foo", L"Last Used")); }},
        {R"(ExcludeKey1=FILE|%AppData%\App\|Filters.csv;*.keep)",
         [](ItemDefinition& d) {
             d.exclude.push_back({.kind = Exclusion::Kind::kFiles, .path = L"%AppData%\\App", .patterns = {L"Filters.csv", L"*.keep"}});
         }},
        {R"(ExcludeKey2=FILE|%AppData%\App\Filters.csv)",
         [](ItemDefinition& d) {
             d.exclude.push_back({.kind = Exclusion::Kind::kFiles, .path = L"%AppData%\\App", .patterns = {L"Filters.csv"}});
         }},
        {R"(ExcludeKey3=PATH|%LocalAppData%\App\*\Saved\)",
         [](ItemDefinition& d) {
             d.exclude.push_back({.kind = Exclusion::Kind::kPath, .path = L"%LocalAppData%\\App\\*\\Saved"});
         }},
        {R"(ExcludeKey4=path|%LocalAppData%\App|*.cfg;*.*)",
         [](ItemDefinition& d) { d.exclude.push_back({.kind = Exclusion::Kind::kPath, .path = L"%LocalAppData%\\App"}); }},
        {R"(ExcludeKey5=REG|HKCU\Software\App\Keep)",
         [](ItemDefinition& d) { d.exclude.push_back({.kind = Exclusion::Kind::kRegistry, .path = L"Software\\App\\Keep"}); }},
        {R"(ExcludeKey6=REG|HKLM\Software\App|Licence)",
         [](ItemDefinition& d) {
             d.exclude.push_back({.kind = Exclusion::Kind::kRegistry, .path = L"Software\\App", .root = kLocalMachine,
                                  .value = L"Licence"});
         }},
        {R"(Detect=HKCU\Software\Foo)", [](ItemDefinition& d) { d.detect.push_back(KeyThere(kCurrentUser, L"Software\\Foo")); }},
        {R"(Detect1=HKLM\Software\Foo)", [](ItemDefinition& d) { d.detect.push_back(KeyThere(kLocalMachine, L"Software\\Foo")); }},
        {R"(Detect2=HKEY_USERS\.DEFAULT\Software\Foo)",
         [](ItemDefinition& d) { d.detect.push_back(KeyThere(kUsers, L".DEFAULT\\Software\\Foo")); }},
        {R"(Detect3=HKCR\Foo.Document)", [](ItemDefinition& d) { d.detect.push_back(KeyThere(kClassesRoot, L"Foo.Document")); }},
        {R"(DetectFile3=%AppData%\Foo)", [](ItemDefinition& d) { d.detect.push_back(FileThere(L"%AppData%\\Foo")); }},
        {R"(DetectFile=%ProgramFiles%\Foo*\foo.exe)",
         [](ItemDefinition& d) { d.detect.push_back(FileThere(L"%ProgramFiles%\\Foo*\\foo.exe")); }},
        {"SpecialDetect=det_chrome",
         [](ItemDefinition& d) {
             d.detect.push_back(KeyThere(kCurrentUser, L"Software\\Google\\Chrome"));
             d.detect.push_back(FileThere(L"%LocalAppData%\\Google\\Chrome\\User Data"));
         }},
        {"Keep=a.log; *.*", [](ItemDefinition& d) { d.keep = {L"a.log", L"*"}; }},
        {"Default=True", [](ItemDefinition& d) { d.onByDefault = true; }},
        {"Default=false", [](ItemDefinition&) {}},
        {"Section=Tools", [](ItemDefinition& d) { d.group = L"Tools"; }},
        {"LangSecRef=3021", [](ItemDefinition& d) { d.group = L"Applications"; }},
        {"LangSecRef=3025", [](ItemDefinition& d) { d.group = L"Microsoft Windows"; }},
        {"LangSecRef=3999", [](ItemDefinition&) {}},  // a group the format may add later
        {"Description=Logs = history", [](ItemDefinition& d) { d.description = L"Logs = history"; }},
        {"Warning=This also forgets your saved sessions.",
         [](ItemDefinition& d) { d.warning = L"This also forgets your saved sessions."; }},
        {"DetectOS=6.2|", [](ItemDefinition&) {}},
    };
    for (const Case& c : cases) {
        const ItemsFile file = Read(std::string(kTestSection) + c.line + "\n");
        ItemDefinition expected = TestItem();
        c.change(expected);
        ASSERT_EQ(file.lines.size(), 3u) << c.line;
        EXPECT_TRUE(file.lines[2].accepted) << c.line << ": " << testing::PrintToString(file.lines[2].message);
        EXPECT_EQ(file.items, std::vector{expected}) << c.line;
        EXPECT_EQ(file.entries, std::vector<std::size_t>{1}) << c.line;
    }
}

TEST(ItemsFileLines, SectionGivesTheGroupWhereverItStandsAndLangSecRefOnlyWithoutIt)
{
    for (const char* lines : {"LangSecRef=3022\nSection=Games\n", "Section=Games\nLangSecRef=3022\n"}) {
        const ItemsFile file = Read(std::string(kTestSection) + lines);
        ASSERT_EQ(file.items.size(), 1u) << lines;
        EXPECT_EQ(file.items[0].group, L"Games") << lines;
    }
    EXPECT_EQ(Read(std::string(kTestSection) + "LangSecRef=3022\n").items.at(0).group, L"Internet");
}

TEST(ItemsFileLines, EachVariableOfTheFormatIsUnderstoodAndAnUnknownOneRefusesItsEntry)
{
    const char* const known[] = {
        "AppData", "LocalAppData", "LocalLowAppData", "UserProfile", "Documents", "Music", "Pictures", "Video",
        "CommonAppData", "ProgramData", "ProgramFiles", "CommonProgramFiles", "Public", "SystemDrive", "WinDir",
        "SystemRoot", "Temp", "Tmp", "ProgramFiles(x86)", "CommonProgramFiles(x86)", "AllUsersProfile",
    };
    for (const char* variable : known) {
        for (const std::string& line : {"FileKey2=%" + std::string(variable) + "%\\Foo|*.log",
                                        "DetectFile=%" + std::string(variable) + "%\\Foo",
                                        "ExcludeKey1=PATH|%" + std::string(variable) + "%\\Foo"}) {
            const ItemsFile file = Read(std::string(kTestSection) + line + "\n");
            EXPECT_EQ(Accepted(file), (std::vector{true, true, true})) << line;
        }
    }
    struct Case {
        const char* line;
        const wchar_t* why;
    };
    const Case refused[] = {
        {"FileKey2=%Downloads%\\Foo|*.log", L"line 3: unknown variable %Downloads%"},
        {"FileKey2=%NIVARO_TEST%|*.log", L"line 3: unknown variable %NIVARO_TEST%"},
        {"DetectFile=%MyApp%\\Foo", L"line 3: unknown variable %MyApp%"},
        {"ExcludeKey1=FILE|%Cache%\\Foo|a.txt", L"line 3: unknown variable %Cache%"},
        {"FileKey2=%AppData%\\%Temp%|*.log", L"line 3: a %VARIABLE% stands only at the start of a path"},
        {"FileKey2=%AppData%Foo|*.log", L"line 3: '%AppData%Foo' is not a %VARIABLE% of its own"},
    };
    for (const Case& c : refused) {
        const ItemsFile file = Read(std::string(kTestSection) + c.line + "\n");
        ASSERT_EQ(file.lines.size(), 3u) << c.line;
        EXPECT_EQ(Accepted(file), (std::vector{false, false, false})) << c.line;
        EXPECT_TRUE(Mentions(file.lines[2], c.why)) << c.line << ": " << testing::PrintToString(file.lines[2].message);
        EXPECT_TRUE(file.items.empty()) << c.line;
    }
}

// The lines of an entry that could not be understood, each of which refuses the entry whole: it
// never runs narrower (a refused Keep or exclusion) or wider than its authors wrote it.
TEST(ItemsFileLines, ALineThatCannotBeUnderstoodRefusesItsWholeEntryWithItsNumberAndWhy)
{
    struct Case {
        const char* line;
        const wchar_t* why;
    };
    const Case cases[] = {
        {"FileKey2=%Temp%|*.log|RECURSIVE", L"'RECURSIVE' after the patterns is neither RECURSE nor REMOVESELF"},
        {"FileKey2=%Temp%|*.log|", L"'' after the patterns"},
        {"FileKey2=%Temp%|*.log|RECURSE|x", L"too many '|'"},
        {"FileKey2=%Temp%", L"no pattern"},
        {"FileKey2=%Temp%| ; ", L"no pattern"},
        {"FileKey2=|*.log", L"no folder"},
        {R"(FileKey2=%Temp%|sub\*.log)", L"'sub\\*.log' is a path"},
        {R"(FileKey2=Temp\Foo|*.log)", L"'Temp\\Foo' is not a full path"},
        {R"(FileKey2=%Temp%\..\Foo|*.log)", L"'..' is not a folder name"},
        {R"(FileKey2=%Temp%\Foo\\Bar|*.log)", L"an empty folder name"},
        {R"(FileKey2=%Temp%\Foo:stream|*.log)", L"'Foo:stream' holds a character no folder name has"},
        {"FileKey=%Temp%|*.log", L"FileKey needs a number"},
        {"FileKey00=%Temp%|*.log", L"numbered from 1"},
        {R"(RegKey1=Software\Foo)", L"'Software' is no registry root"},
        {"RegKey1=HKCU", L"no key is named below HKCU"},
        {R"(RegKey1=HKCU\\)", L"no key is named below HKCU"},
        {"RegKey1=", L"no key is named"},
        {R"(RegKey1=HKCU\Software\\Foo)", L"empty key name"},
        {R"(RegKey1=HKCU\Software\Foo*)", L"no wildcards in keys"},
        {R"(RegKey1=HKCU\Software\Foo|)", L"no value name"},
        {R"(RegKey1=HKCU\Software\Foo|Url?)", L"no wildcards in values"},
        {R"(RegKey1=HKCU\Software\Foo|a|b)", L"too many '|'"},
        {R"(ExcludeKey1=DIR|%Temp%\Foo)", L"'DIR' is not FILE, PATH or REG"},
        {R"(ExcludeKey1=FILE|%Temp%)", L"names the files to keep after the folder"},
        {R"(ExcludeKey1=FILE|%Temp%\Foo|a|b)", L"FILE|folder|names"},
        {R"(ExcludeKey1=REG|HKU\S-1-5-18\Software)", L"not HKU"},
        {R"(ExcludeKey1=REG|HKCU\Software\Foo*)", L"no wildcards in keys"},
        {R"(ExcludeKey1=PATH|\\server\share\Foo)", L"a network path is not cleaned"},
        {R"(ExcludeKey1=FILE|%Temp%\Foo|sub\a.txt)", L"is a path"},
        {"ExcludeKey=FILE|%Temp%|a.txt", L"ExcludeKey needs a number"},
        {R"(Detect1=HKCU\Software\Foo|Bar)", L"names a key, not a value"},
        {R"(Detect=HKCC\System\Foo)", L"HKCC is not looked in"},
        {R"(Detect=HKCU\Software\Foo*)", L"no wildcards in keys"},
        {R"(DetectFile=Foo\bar.exe)", L"is not a full path"},
        {R"(DetectFile=\\server\share\Foo)", L"a network path"},
        {"SpecialDetect=DET_NETSCAPE", L"'DET_NETSCAPE' is not a detection this program knows"},
        {"DetectOS=6.1", L"DetectOS is lowest|highest"},
        {"DetectOS=|", L"DetectOS names no version"},
        {"DetectOS=10.0|6.1", L"highest version is below its lowest"},
        {"DetectOS=Windows 7|", L"'Windows 7' is not a version"},
        {"Keep= ;", L"no pattern"},
        {"Default=yes", L"True or False"},
        {"Section=", L"Section needs the name of a group"},
        {"LangSecRef=abc", L"LangSecRef takes a number"},
        {"Warning=", L"Warning needs the words"},
        {"Keep2=a.log", L"unknown key 'Keep2'"},
        {"SpecialDetect1=DET_CHROME", L"unknown key 'SpecialDetect1'"},
        {"Remove=%Temp%", L"unknown key 'Remove'"},
        {"just some words", L"not a key=value line"},
        {"=value", L"not a key=value line"},
    };
    for (const Case& c : cases) {
        // The bad line between good ones: those before it and after it go with it.
        const ItemsFile file = Read(std::string(kTestSection) + c.line + "\nRegKey1=HKCU\\Software\\Test\\MRU\n");
        ASSERT_EQ(file.lines.size(), 4u) << c.line;
        EXPECT_EQ(Accepted(file), (std::vector{false, false, false, false})) << c.line;
        EXPECT_TRUE(file.lines[2].message.starts_with(L"line 3: ")) << c.line;
        EXPECT_TRUE(Mentions(file.lines[2], c.why)) << c.line << ": " << testing::PrintToString(file.lines[2].message);
        EXPECT_EQ(file.lines[2].cause, 0u) << c.line;
        EXPECT_TRUE(Mentions(file.lines[0], L"line 1: 'Test' is not loaded: its line 3 cannot be taken")) << c.line;
        for (const std::size_t other : {0u, 1u, 3u}) {
            EXPECT_EQ(file.lines[other].reason, file.lines[2].reason) << c.line;
            EXPECT_EQ(file.lines[other].cause, 3u) << c.line;
        }
        EXPECT_TRUE(Mentions(file.lines[3], L"line 4: not taken: its entry 'Test' is not loaded (line 3)")) << c.line;
        EXPECT_TRUE(file.items.empty()) << c.line;
        EXPECT_FALSE(file.lines[2].reason.empty()) << c.line;
    }
}

// An exclusion that cannot be read refuses its entry: the user's files it guards are never deleted
// because the line that guards them was not understood.
TEST(ItemsFileLines, AnExclusionThatCannotBeReadNeverLetsItsEntryRunWithoutIt)
{
    const ItemsFile taken = Read(R"([App *]
FileKey1=%AppData%\App|*.csv;*.tmp;*.txt
ExcludeKey1=FILE|%AppData%\App\|Filters.csv
)");
    ASSERT_EQ(taken.items.size(), 1u);
    EXPECT_EQ(taken.items[0].exclude,
              (std::vector<Exclusion>{{.kind = Exclusion::Kind::kFiles, .path = L"%AppData%\\App", .patterns = {L"Filters.csv"}}}));

    const ItemsFile refused = Read(R"([App *]
FileKey1=%AppData%\App|*.csv;*.tmp;*.txt
ExcludeKey1=FILE|%AppData%\App\|Filters.csv|RECURSE
)");
    EXPECT_TRUE(refused.items.empty());
    EXPECT_EQ(Accepted(refused), (std::vector{false, false, false}));
}

// What this program never deletes (keys outside the user's hive, folders on the network, a key
// holding many programs' keys) is refused alone: leaving the line out only narrows its entry.
TEST(ItemsFileLines, ALineThatWouldDeleteWhatIsNeverCleanedIsRefusedAloneAndTheEntryStays)
{
    struct Case {
        const char* line;
        const wchar_t* why;
    };
    const Case cases[] = {
        {R"(RegKey2=HKLM\Software\Foo)", L"line 3: 'HKLM' is not cleaned: only the user's own hive (HKCU) is"},
        {R"(RegKey2=HKEY_LOCAL_MACHINE\Software|Recent)", L"'HKLM' is not cleaned"},
        {R"(RegKey2=HKU\.DEFAULT\Software\Foo)", L"'HKU' is not cleaned"},
        {R"(RegKey2=HKCR\.txt\OpenWithList)", L"'HKCR' is not cleaned"},
        {R"(RegKey2=HKCU\Software)", L"HKCU\\Software is not deleted whole"},
        {R"(FileKey2=\\server\share\Logs|*.log)", L"a network path is not cleaned"},
    };
    for (const Case& c : cases) {
        const ItemsFile file = Read(std::string(kTestSection) + c.line + "\n");
        EXPECT_EQ(Accepted(file), (std::vector{true, true, false})) << c.line;
        EXPECT_TRUE(Mentions(file.lines[2], c.why)) << c.line << ": " << testing::PrintToString(file.lines[2].message);
        EXPECT_EQ(file.items, std::vector{TestItem()}) << c.line;
    }
    // An entry left with nothing to clean is not loaded, every line of it refused.
    const ItemsFile alone = Read("[Machine *]\nDetect=HKLM\\Software\\Foo\nRegKey1=HKLM\\Software\\Foo\n");
    EXPECT_TRUE(alone.items.empty());
    EXPECT_EQ(Accepted(alone), (std::vector{false, false, false}));
    EXPECT_TRUE(Mentions(alone.lines[0], L"line 1: 'Machine' has no FileKey or RegKey that could be taken"));
    EXPECT_TRUE(Mentions(alone.lines[2], L"'HKLM' is not cleaned")) << "it keeps its own reason";
}

TEST(ItemsFileLines, DetectOsNamesTheVersionsOfWindowsAnEntryIsFor)
{
    struct Case {
        const char* line;
        WindowsRange range;
        std::vector<WindowsVersion> holds;
        std::vector<WindowsVersion> refuses;
    };
    const Case cases[] = {
        {"DetectOS=6.2|", {WindowsVersion{6, 2}, std::nullopt}, {{6, 2}, {6, 3}, {10, 0}}, {{6, 1}, {5, 1}}},
        {"DetectOS=|6.1", {std::nullopt, WindowsVersion{6, 1}}, {{5, 1}, {6, 1}}, {{6, 2}, {10, 0}}},
        {"DetectOS= 6.1 | 6.3 ", {WindowsVersion{6, 1}, WindowsVersion{6, 3}}, {{6, 1}, {6, 3}}, {{6, 0}, {10, 0}}},
        {"DetectOS=10|", {WindowsVersion{10, 0}, std::nullopt}, {{10, 0}}, {{6, 3}}},
    };
    for (const Case& c : cases) {
        const ItemsFile file = Read(std::string(kTestSection) + c.line + "\n");
        ASSERT_EQ(file.items.size(), 1u) << c.line;
        EXPECT_EQ(file.windows, (std::map<std::string, WindowsRange>{{"user-test", c.range}})) << c.line;
        for (const WindowsVersion v : c.holds) {
            EXPECT_TRUE(c.range.Holds(v)) << c.line << " " << v.major << "." << v.minor;
        }
        for (const WindowsVersion v : c.refuses) {
            EXPECT_FALSE(c.range.Holds(v)) << c.line << " " << v.major << "." << v.minor;
        }
    }
}

TEST(ItemsFileSections, AnEntryWithNothingToCleanIsRefusedWholeOnItsSectionLine)
{
    const ItemsFile file = Read(R"([Empty *]
Detect=HKCU\Software\Empty
Description=nothing but words
[Good]
RegKey1=HKCU\Software\Good\MRU
[Last *]
Description=nothing to clean)");

    ItemDefinition good;
    good.id = "user-good";
    good.title = L"Good";
    good.group = L"Your items";
    good.onByDefault = false;
    good.targets.push_back(Values(L"Software\\Good\\MRU"));
    EXPECT_EQ(file.items, std::vector{good});
    EXPECT_EQ(file.entries, (std::vector<std::size_t>{1, 4, 6}));

    EXPECT_EQ(Accepted(file), (std::vector{false, false, false, true, true, false, false}));
    EXPECT_TRUE(Mentions(file.lines[0], L"line 1: 'Empty' has no FileKey or RegKey that could be taken, so it is not loaded"));
    EXPECT_TRUE(Mentions(file.lines[1], L"line 2: not taken: its entry 'Empty' is not loaded (line 1)"));
    EXPECT_TRUE(Mentions(file.lines[5], L"line 6: 'Last' has no FileKey or RegKey"));
}

TEST(ItemsFileSections, LinesOutsideAReadableSectionAreRefused)
{
    const ItemsFile file = Read(R"(Default=True
[Foo
FileKey1=%Temp%|*
[ ]
RegKey1=HKCU\A\B
[Bar]
RegKey1=HKCU\Bar\C)");

    ASSERT_EQ(file.items.size(), 1u);
    EXPECT_EQ(file.items[0].id, "user-bar");
    ASSERT_EQ(file.lines.size(), 7u);
    const std::pair<std::size_t, const wchar_t*> refused[] = {
        {0, L"line 1: outside any section"},
        {1, L"line 2: a section's line must end with ']'"},
        {2, L"line 3: belongs to the section on line 2"},
        {3, L"line 4: a section needs a name"},
        {4, L"line 5: belongs to the section on line 4"},
    };
    for (const auto& [index, why] : refused) {
        EXPECT_FALSE(file.lines[index].accepted) << index;
        EXPECT_TRUE(Mentions(file.lines[index], why)) << testing::PrintToString(file.lines[index].message);
    }
    EXPECT_EQ(file.entries, (std::vector<std::size_t>{2, 4, 6})) << "a refused section is a refused entry";
}

TEST(ItemsFileSections, EachItemGetsADistinctIdFromItsTitle)
{
    struct Case {
        const char* section;
        const char* id;
        const wchar_t* title;
    };
    const Case cases[] = {
        {"[Foo Bar *]", "user-foo-bar", L"Foo Bar"},
        {"[  C++ / Qt: cache!! ]", "user-c-qt-cache", L"C++ / Qt: cache!!"},
        {"[Caf\xC3\xA9 Log]", "user-caf-log", L"Caf\u00E9 Log"},
        {"[Tea\xE2\x80\x94Time]", "user-tea-time", L"Tea\u2014Time"},
        {"[\xE6\x97\xA5\xE6\x9C\xAC *]", "user-item", L"\u65E5\u672C"},
        {"[foo bar]", "user-foo-bar-2", L"foo bar"},
        {"[FOO-BAR!]", "user-foo-bar-3", L"FOO-BAR!"},
        {"[Foo Bar 2]", "user-foo-bar-2-2", L"Foo Bar 2"},
        {"[unused]", "user-unused", L"unused"},  // the refused [Unused] took no id
        {"[Clash]", "user-clash-2", L"Clash"},   // a built-in item's id is never taken
    };
    std::string text = "[Unused]\n";
    for (const Case& c : cases) {
        text += std::string(c.section) + "\nRegKey1=HKCU\\Software\\X\n";
    }
    const ItemsFile file = Read(text, {"user-clash"});

    ASSERT_EQ(file.items.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(file.items[i].id, cases[i].id) << cases[i].section;
        EXPECT_EQ(file.items[i].title, cases[i].title) << cases[i].section;
    }
}

TEST(ItemsFileKeep, ASectionNamedByABuiltInIdHoldsOnlyItsKeepList)
{
    const ItemsFile file = Read(R"([History]
Keep=a*; b
[run-box]
Keep=x.lnk
[HISTORY]
keep=*.*
[recent-items]
Keep=*.lnk
FileKey1=%Temp%|*
[jump-lists]
Keep=
[temp-files
Keep=*.log)",
                                {"history", "run-box", "recent-items", "jump-lists", "temp-files"});

    // A keep-list with a line that cannot be taken keeps everything: a line left out would keep less.
    const std::map<std::string, std::vector<std::wstring>> keep{
        {"history", {L"a*", L"b", L"*"}},
        {"run-box", {L"x.lnk"}},
        {"recent-items", {L"*.lnk", L"*"}},
        {"jump-lists", {L"*"}},
        {"temp-files", {L"*"}},
    };
    EXPECT_EQ(file.keep, keep);
    EXPECT_TRUE(file.items.empty());
    EXPECT_TRUE(file.entries.empty()) << "a keep-list is no entry";

    EXPECT_EQ(Accepted(file), (std::vector{true, true, true, true, true, true, true, true, false, true, false, false, false}));
    EXPECT_TRUE(Mentions(file.lines[8], L"line 9: only Keep= may be given for a built-in item; recent-items keeps everything"));
    EXPECT_TRUE(Mentions(file.lines[10], L"no pattern"));
    EXPECT_TRUE(Mentions(file.lines[11], L"line 12: a section's line must end with ']'; temp-files keeps everything"));
}

TEST(ItemsFileWhole, GoodEntriesLoadAroundBadOnes)
{
    const std::string text =
        "; Nivaro items\r\n"
        "\r\n"
        "[Foo Player *]\r\n"
        "LangSecRef=3023\r\n"
        "  Detect=HKCU\\Software\\Foo  \r\n"
        "Default=True\r\n"
        "FileKey1=%AppData%\\Foo\\Logs|*.log|RECURSE\r\n"
        "FileKey2=%AppData%\\Foo\\Cache|*.*\r\n"
        "   ; a comment after blanks\r\n"
        "Warning=Closes Foo\r\n"
        "[Bar Recent]\r\n"
        "RegKey1=HKLM\\Software\\Bar\\Recent\r\n"
        "RegKey2=HKCU\\Software\\Bar\\Recent\r\n"
        "Keep=pinned*\r\n"
        "[Baz *]\r\n"
        "FileKey1=%AppData%\\Baz|*.tmp\r\n"
        "Default=maybe\r\n";
    // Without a way to tell built-in ids, every section is one of the user's items.
    const ItemsFile file = ReadItemsFile(text, {});

    ASSERT_FALSE(file.error);
    ItemDefinition foo;
    foo.id = "user-foo-player";
    foo.title = L"Foo Player";
    foo.group = L"Multimedia";
    foo.warning = L"Closes Foo";
    foo.targets.push_back(Folder(L"%AppData%\\Foo\\Logs", {L"*.log"}, FolderDepth::kRecurse));
    foo.targets.push_back(Folder(L"%AppData%\\Foo\\Cache", {}));
    foo.detect.push_back(KeyThere(kCurrentUser, L"Software\\Foo"));
    ItemDefinition bar;
    bar.id = "user-bar-recent";
    bar.title = L"Bar Recent";
    bar.group = L"Your items";
    bar.onByDefault = false;
    bar.targets.push_back(Values(L"Software\\Bar\\Recent"));
    bar.keep = {L"pinned*"};
    EXPECT_EQ(file.items, (std::vector{foo, bar}));

    std::vector<std::pair<std::size_t, bool>> fates;
    for (const LineFate& fate : file.lines) {
        fates.emplace_back(fate.line, fate.accepted);
    }
    const std::vector<std::pair<std::size_t, bool>> expected{
        {3, true},   {4, true},   {5, true},   {6, true},   {7, true},   {8, true},  {10, true},
        {11, true},  {12, false}, {13, true},  {14, true},  {15, false}, {16, false}, {17, false},
    };
    EXPECT_EQ(fates, expected);
    EXPECT_TRUE(Mentions(file.lines[13], L"line 17: Default takes True or False"));
    EXPECT_TRUE(Mentions(file.lines[11], L"line 15: 'Baz' is not loaded: its line 17 cannot be taken"));
}

std::string Utf16Bytes(std::wstring_view text)
{
    const std::vector<std::byte> bytes = EncodeUtf16(text);
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

TEST(ItemsFileEncoding, Utf8AndUtf16WithTheirMarksReadAlike)
{
    const std::wstring text =
        L"; \u00DCbersicht\r\n"
        L"[Caf\u00E9 \U0001F600 *]\r\n"
        L"Description=Gr\u00FC\u00DFe\r\n"
        L"FileKey1=%AppData%\\Caf\u00E9|*.log\r\n";
    const ItemsFile plain = Read(ToUtf8(text));
    ASSERT_EQ(plain.items.size(), 1u);
    EXPECT_EQ(plain.items[0].title, L"Caf\u00E9 \U0001F600");
    EXPECT_EQ(plain.items[0].description, L"Gr\u00FC\u00DFe");
    EXPECT_EQ(plain.items[0].targets, std::vector<ItemTarget>{Folder(L"%AppData%\\Caf\u00E9", {L"*.log"})});

    EXPECT_EQ(Read("\xEF\xBB\xBF" + ToUtf8(text)), plain);
    EXPECT_EQ(Read("\xFF\xFE" + Utf16Bytes(text)), plain);
}

// A line that is not well-formed text is refused with its number, and what it might have said is
// not guessed: the item it is in is not loaded, a built-in item's keep-list then keeps everything,
// a section line it may be starts nothing. The lines around it keep their meaning.
TEST(ItemsFileEncoding, ALineThatIsNotWellFormedTextIsRefusedWithItsNumber)
{
    struct Case {
        const char* what;
        std::string bytes;
        std::size_t badLine;
    };
    const std::string good = "[Good *]\nRegKey1=HKCU\\Software\\Good\n";
    const Case cases[] = {
        {"a stray byte in a RegKey", good + "[Mine]\nRegKey1=HKCU\\hi\xFF\nRegKey2=HKCU\\Software\\Mine\n", 4},
        {"an encoded surrogate in a Keep", good + "[Mine]\nRegKey1=HKCU\\Software\\Mine\nKeep=a\xED\xA0\x80\n", 5},
        {"an overlong slash in a FileKey", good + "[Mine]\nFileKey1=%Temp%\xC0\xAF..|*\nRegKey1=HKCU\\Software\\Mine\n", 4},
        {"a sequence cut short at the end of a line", good + "[Mine]\nRegKey1=HKCU\\Software\\Mine\xE2\x82\n", 4},
        {"a code point past U+10FFFF", good + "[Mine]\nRegKey1=HKCU\\Software\\\xF4\x90\x80\x80\n", 4},
        {"a lone high surrogate in UTF-16", "\xFF\xFE" + Utf16Bytes(L"[Good *]\nRegKey1=HKCU\\Software\\Good\n[Mine]\n") +
                                                std::string("R\0=\0\x00\xD8x\0\n\0", 10), 4},
        {"a lone low surrogate in UTF-16", "\xFF\xFE" + Utf16Bytes(L"[Good *]\nRegKey1=HKCU\\Software\\Good\n[Mine]\n") +
                                               std::string("K\0=\0\x00\xDC\n\0", 8), 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ItemsFile file = Read(c.bytes);
        ASSERT_FALSE(file.error);
        ASSERT_EQ(file.items.size(), 1u) << "the item around the bad line is not loaded; the other one is";
        EXPECT_EQ(file.items[0].title, L"Good");
        EXPECT_EQ(file.items[0].targets, std::vector<ItemTarget>{Values(L"Software\\Good")});
        const auto bad = std::ranges::find(file.lines, c.badLine, &LineFate::line);
        ASSERT_NE(bad, file.lines.end());
        EXPECT_FALSE(bad->accepted);
        EXPECT_TRUE(Mentions(*bad, L"line " + std::to_wstring(c.badLine) + L": the line is not well-formed text"))
            << testing::PrintToString(bad->message);
        const auto section = std::ranges::find(file.lines, 3u, &LineFate::line);
        ASSERT_NE(section, file.lines.end());
        EXPECT_FALSE(section->accepted);
        EXPECT_TRUE(Mentions(*section, L"is not loaded")) << testing::PrintToString(section->message);
    }
}

TEST(ItemsFileEncoding, AnUnreadableSectionLineStartsNothingAndAKeepListKeepsEverything)
{
    const ItemsFile file = Read("[Bad\xFF name]\nRegKey1=HKCU\\A\\B\n"
                                "; a comment with a stray byte \xFF says nothing\n"
                                "[history]\nKeep=a*\nKeep=\xC3\n"
                                "[Good]\nRegKey1=HKCU\\B\\C\n",
                                {"history"});
    ASSERT_FALSE(file.error);
    ASSERT_EQ(file.items.size(), 1u) << "a RegKey after an unreadable section line joins no item";
    EXPECT_EQ(file.items[0].title, L"Good");
    const std::map<std::string, std::vector<std::wstring>> keep{{"history", {L"a*", L"*"}}};
    EXPECT_EQ(file.keep, keep) << "a keep-list with a line that cannot be read keeps everything";
    std::vector<std::pair<std::size_t, bool>> fates;
    for (const LineFate& fate : file.lines) {
        fates.emplace_back(fate.line, fate.accepted);
    }
    const std::vector<std::pair<std::size_t, bool>> expected{{1, false}, {2, false}, {4, true}, {5, true},
                                                              {6, false}, {7, true}, {8, true}};
    EXPECT_EQ(fates, expected);
}

TEST(ItemsFileEncoding, TextThatCannotBeDecodedIsAnErrorAndNothingElse)
{
    const std::string utf16 = Utf16Bytes(L"[A]\r\nRegKey1=HKCU\\A\r\n");
    struct Case {
        std::string bytes;
        const wchar_t* why;
    };
    const Case cases[] = {
        {utf16, L"UTF-16 without its byte-order mark"},
        {"\xFF\xFE" + utf16 + 'x', L"odd number of bytes"},
        {"\xFE\xFF" + std::string("\0[\0A\0]", 6), L"big-endian"},
        {std::string("\xFF\xFE\0\0[\0\0\0", 8), L"NUL characters"},  // UTF-32
    };
    for (const Case& c : cases) {
        const ItemsFile file = Read(c.bytes);
        ASSERT_TRUE(file.error) << testing::PrintToString(c.why);
        EXPECT_NE(file.error->find(c.why), std::wstring::npos) << testing::PrintToString(*file.error);
        EXPECT_TRUE(file.items.empty() && file.lines.empty() && file.keep.empty());
    }
}

}  // namespace
}  // namespace nivaro
