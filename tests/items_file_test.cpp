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

FolderTarget Folder(std::wstring path, std::vector<std::wstring> patterns)
{
    FolderTarget target;
    target.form = FolderForm::kExpanded;
    target.path = std::move(path);
    target.patterns = std::move(patterns);
    return target;
}

RegistryTarget Values(std::wstring key, std::optional<std::wstring> value = std::nullopt)
{
    RegistryTarget target;
    target.key = std::move(key);
    target.value = std::move(value);
    return target;
}

// The item every line of the tables below is written into.
constexpr std::string_view kTestSection = "[Test *]\nFileKey1=%Temp%|*.tmp\n";

ItemDefinition TestItem()
{
    ItemDefinition item;
    item.id = "user-test";
    item.title = L"Test";
    item.group = L"Your items";
    item.targets.push_back(Folder(L"%Temp%", {L"*.tmp"}));
    return item;
}

bool Mentions(const LineFate& fate, std::wstring_view fragment)
{
    return fate.message.find(fragment) != std::wstring::npos;
}

TEST(ItemsFileLines, TakesEachKindOfLine)
{
    struct Case {
        const char* line;
        void (*change)(ItemDefinition&);
    };
    const Case cases[] = {
        {R"(FileKey2=%LocalAppData%\Foo\|*.log; ;*.txt)",
         [](ItemDefinition& d) { d.targets.push_back(Folder(L"%LocalAppData%\\Foo\\", {L"*.log", L"*.txt"})); }},
        {R"(filekey10=C:\Logs|*.log;*.*)", [](ItemDefinition& d) { d.targets.push_back(Folder(L"C:\\Logs", {})); }},
        {"  FileKey3 = %UserProfile%\\x | a?.bak  ",
         [](ItemDefinition& d) { d.targets.push_back(Folder(L"%UserProfile%\\x", {L"a?.bak"})); }},
        {R"(RegKey1=HKCU\Software\Foo)", [](ItemDefinition& d) { d.targets.push_back(Values(L"Software\\Foo")); }},
        {R"(REGKEY7=hkey_current_user\Software\Foo\|Last Used)",
         [](ItemDefinition& d) { d.targets.push_back(Values(L"Software\\Foo", L"Last Used")); }},
        {R"(Detect=HKCU\Software\Foo)",
         [](ItemDefinition& d) { d.detect.push_back({Detection::Kind::kKey, kCurrentUser, L"Software\\Foo"}); }},
        {R"(DetectFile3=%AppData%\Foo)",
         [](ItemDefinition& d) { d.detect.push_back({Detection::Kind::kFile, kCurrentUser, L"%AppData%\\Foo"}); }},
        {"Keep=a.log; *.*", [](ItemDefinition& d) { d.keep = {L"a.log", L"*"}; }},
        {"Default=false", [](ItemDefinition& d) { d.onByDefault = false; }},
        {"Section=Tools", [](ItemDefinition& d) { d.group = L"Tools"; }},
        {"Description=Logs = history", [](ItemDefinition& d) { d.description = L"Logs = history"; }},
        {"LangSecRef=3021", [](ItemDefinition&) {}},
    };
    for (const Case& c : cases) {
        const ItemsFile file = Read(std::string(kTestSection) + c.line + "\n");
        ItemDefinition expected = TestItem();
        c.change(expected);
        ASSERT_EQ(file.lines.size(), 3u) << c.line;
        EXPECT_TRUE(file.lines[2].accepted) << c.line << ": " << testing::PrintToString(file.lines[2].message);
        EXPECT_EQ(file.items, std::vector{expected}) << c.line;
    }
}

TEST(ItemsFileLines, RefusesABadLineWithItsNumberAndWhyAndChangesNothing)
{
    struct Case {
        const char* line;
        const wchar_t* why;
    };
    const Case cases[] = {
        {"FileKey1=%Temp%|*.log|RECURSE", L"RECURSE is not supported: only a folder's own entries are cleaned"},
        {"FileKey1=%Temp%|*.log|removeself", L"REMOVESELF is not supported: a folder itself is never removed"},
        {"FileKey1=%Temp%|*.log|ONLY", L"'ONLY'"},
        {"FileKey1=%Temp%|*.log|", L"'' after the patterns"},
        {"FileKey1=%Temp%", L"no pattern"},
        {"FileKey1=%Temp%| ; ", L"no pattern"},
        {R"(FileKey1=%LocalAppData%\*\Cache|*.*)", L"wildcards inside a path are not supported"},
        {"FileKey1=|*.log", L"no folder"},
        {R"(FileKey1=%Temp%|sub\*.log)", L"'sub\\*.log' is a path"},
        {"FileKey=%Temp%|*.log", L"FileKey needs a number"},
        {"FileKey00=%Temp%|*.log", L"numbered from 1"},
        {R"(RegKey1=HKLM\Software\Foo)", L"'HKLM' is not cleaned: only the user's own hive (HKCU) is cleaned"},
        {R"(RegKey1=HKEY_LOCAL_MACHINE\Software)", L"only the user's own hive (HKCU)"},
        {R"(RegKey1=HKCR\.txt)", L"only the user's own hive (HKCU)"},
        {R"(RegKey1=HKU\S-1-5-18\Software)", L"only the user's own hive (HKCU)"},
        {R"(RegKey1=Software\Foo)", L"only the user's own hive (HKCU)"},
        {"RegKey1=HKCU", L"no key is named below HKCU"},
        {R"(RegKey1=HKCU\\)", L"no key is named below HKCU"},
        {"RegKey1=", L"no key is named"},
        {R"(RegKey1=HKCU\Software\\Foo)", L"empty key name"},
        {R"(RegKey1=HKCU\Software\Foo*)", L"wildcards inside a key"},
        {R"(RegKey1=HKCU\Software\Foo|)", L"no value name"},
        {R"(RegKey1=HKCU\Software\Foo|Url?)", L"wildcards in a value name"},
        {R"(RegKey1=HKCU\Software\Foo|a|b)", L"too many '|'"},
        {R"(Detect=HKLM\Software\Foo)", L"only the user's own hive (HKCU)"},
        {R"(Detect1=HKCU\Software\Foo|Bar)", L"names a key, not a value"},
        {R"(DetectFile=%ProgramFiles%\Foo*)", L"wildcards inside a path"},
        {"Keep= ;", L"no pattern"},
        {"Default=yes", L"True or False"},
        {"Section=", L"Section needs the name of a group"},
        {"LangSecRef=abc", L"LangSecRef takes a number"},
        {R"(ExcludeKey1=FILE|%Temp%|*.keep)", L"unknown key 'ExcludeKey1'"},
        {"Keep2=a.log", L"unknown key 'Keep2'"},
        {"just some words", L"not a key=value line"},
        {"=value", L"not a key=value line"},
    };
    for (const Case& c : cases) {
        const ItemsFile file = Read(std::string(kTestSection) + c.line + "\n");
        ASSERT_EQ(file.lines.size(), 3u) << c.line;
        EXPECT_FALSE(file.lines[2].accepted) << c.line;
        EXPECT_TRUE(file.lines[2].message.starts_with(L"line 3: ")) << c.line;
        EXPECT_TRUE(Mentions(file.lines[2], c.why)) << c.line << ": " << testing::PrintToString(file.lines[2].message);
        EXPECT_EQ(file.items, std::vector{TestItem()}) << c.line;
    }
}

TEST(ItemsFileSections, AnItemWithNothingToCleanIsRefusedOnItsSectionLine)
{
    const ItemsFile file = Read(R"([Empty *]
Detect=HKCU\Software\Empty
FileKey1=%Temp%\*|*.tmp
[Good]
RegKey1=HKCU\Software\Good
[Last *]
Description=nothing to clean)");

    ItemDefinition good;
    good.id = "user-good";
    good.title = L"Good";
    good.group = L"Your items";
    good.targets.push_back(Values(L"Software\\Good"));
    EXPECT_EQ(file.items, std::vector{good});

    std::vector<bool> accepted;
    for (const LineFate& fate : file.lines) {
        accepted.push_back(fate.accepted);
    }
    EXPECT_EQ(accepted, (std::vector{false, true, false, true, true, false, true}));
    EXPECT_TRUE(Mentions(file.lines[0], L"line 1: 'Empty' has no FileKey or RegKey that could be taken"));
    EXPECT_TRUE(Mentions(file.lines[5], L"line 6: 'Last' has no FileKey or RegKey"));
}

TEST(ItemsFileSections, LinesOutsideAReadableSectionAreRefused)
{
    const ItemsFile file = Read(R"(Default=True
[Foo
FileKey1=%Temp%|*
[ ]
RegKey1=HKCU\A
[Bar]
RegKey1=HKCU\Bar)");

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
FileKey1=%Temp%|*
Default=False
[HISTORY]
keep=*.*
Keep=)",
                                {"history", "run-box"});

    const std::map<std::string, std::vector<std::wstring>> keep{
        {"history", {L"a*", L"b", L"*"}},
        {"run-box", {L"x.lnk"}},
    };
    EXPECT_EQ(file.keep, keep);
    EXPECT_TRUE(file.items.empty());

    std::vector<bool> accepted;
    for (const LineFate& fate : file.lines) {
        accepted.push_back(fate.accepted);
    }
    EXPECT_EQ(accepted, (std::vector{true, true, true, true, false, false, true, true, false}));
    EXPECT_TRUE(Mentions(file.lines[4], L"line 5: only Keep= may be given for a built-in item"));
    EXPECT_TRUE(Mentions(file.lines[5], L"line 6: only Keep= may be given for a built-in item"));
    EXPECT_TRUE(Mentions(file.lines[8], L"no pattern"));
}

TEST(ItemsFileWhole, GoodItemsLoadAroundBadLines)
{
    const std::string text =
        "; Nivaro items\r\n"
        "\r\n"
        "[Foo Player *]\r\n"
        "Default=maybe\r\n"
        "  Detect=HKCU\\Software\\Foo  \r\n"
        "Default=False\r\n"
        "FileKey1=%AppData%\\Foo\\Logs|*.log|RECURSE\r\n"
        "FileKey2=%AppData%\\Foo\\Cache|*.*\r\n"
        "Default=True\r\n"
        "   ; a comment after blanks\r\n"
        "Warning=Closes Foo\r\n"
        "[Bar Recent]\r\n"
        "RegKey1=HKLM\\Software\\Bar\\Recent\r\n"
        "RegKey2=HKCU\\Software\\Bar\\Recent\r\n"
        "Keep=pinned*\r\n";
    // Without a way to tell built-in ids, every section is one of the user's items.
    const ItemsFile file = ReadItemsFile(text, {});

    ASSERT_FALSE(file.error);
    ItemDefinition foo;
    foo.id = "user-foo-player";
    foo.title = L"Foo Player";
    foo.group = L"Your items";
    foo.onByDefault = false;
    foo.targets.push_back(Folder(L"%AppData%\\Foo\\Cache", {}));
    foo.detect.push_back({Detection::Kind::kKey, kCurrentUser, L"Software\\Foo"});
    ItemDefinition bar;
    bar.id = "user-bar-recent";
    bar.title = L"Bar Recent";
    bar.group = L"Your items";
    bar.targets.push_back(Values(L"Software\\Bar\\Recent"));
    bar.keep = {L"pinned*"};
    EXPECT_EQ(file.items, (std::vector{foo, bar}));

    std::vector<std::pair<std::size_t, bool>> fates;
    for (const LineFate& fate : file.lines) {
        fates.emplace_back(fate.line, fate.accepted);
    }
    const std::vector<std::pair<std::size_t, bool>> expected{
        {3, true}, {4, false}, {5, true}, {6, true}, {7, false}, {8, true},
        {9, false}, {11, false}, {12, true}, {13, false}, {14, true}, {15, true},
    };
    EXPECT_EQ(fates, expected);
    // A refused Default= is as if never given; the second one taken is a slip.
    EXPECT_TRUE(Mentions(file.lines[6], L"line 9: Default was already given on line 6"));
    EXPECT_TRUE(Mentions(file.lines[7], L"line 11: unknown key 'Warning'"));
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
        EXPECT_TRUE(Mentions(*section, L"cannot be read")) << testing::PrintToString(section->message);
    }
}

TEST(ItemsFileEncoding, AnUnreadableSectionLineStartsNothingAndAKeepListKeepsEverything)
{
    const ItemsFile file = Read("[Bad\xFF name]\nRegKey1=HKCU\\A\n"
                                "; a comment with a stray byte \xFF says nothing\n"
                                "[history]\nKeep=a*\nKeep=\xC3\n"
                                "[Good]\nRegKey1=HKCU\\B\n",
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
