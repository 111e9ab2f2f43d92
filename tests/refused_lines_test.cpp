#include "main/refused_lines.h"

#include <gtest/gtest.h>

namespace nivaro {
namespace {

std::wstring Digits(std::uint64_t n)
{
    return std::to_wstring(n);
}

// Four entries: one taken whole, one with a machine key refused alone, two refused whole for an
// unknown variable (one of them with a second line), and a keep-list line.
constexpr std::string_view kFile = R"([Whole *]
FileKey1=%Temp%|*.tmp
[Machine keys *]
FileKey1=%Temp%\M|*.log
RegKey1=HKLM\Software\M
RegKey2=HKLM\Software\N
RegKey3=HKLM\Software\O
RegKey4=HKLM\Software\P
[Odd *]
FileKey1=%Nowhere%\X|*.log
RegKey1=HKCU\Software\Odd\MRU
[Odder *]
FileKey1=%Elsewhere%|*.log
[history]
Keep2=x
)";

ItemsFile Read()
{
    return ReadItemsFile(kFile, [](std::string_view id) { return id == "history"; });
}

TEST(RefusedLines, AreCountedByReasonMostFirst)
{
    const ItemsFile file = Read();
    const EntryCounts counts = CountEntries(file);
    EXPECT_EQ(counts.entries, 4u);
    EXPECT_EQ(counts.loaded, 2u);
    EXPECT_EQ(counts.whole, 1u);

    const std::vector<RefusalGroup> groups = GroupRefusals(file);
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[0].reason, L"an unknown variable");
    EXPECT_EQ(groups[0].lines.size(), 5u);
    EXPECT_EQ(groups[0].causes, 2u);
    EXPECT_EQ(groups[0].entries, 2u);
    EXPECT_EQ(groups[1].reason, L"a key outside HKCU");
    EXPECT_EQ(groups[1].lines.size(), 4u);
    EXPECT_EQ(groups[1].entries, 0u) << "refused alone: the entry loads";
    EXPECT_EQ(groups[2].reason, L"an unknown key");
}

TEST(RefusedLines, ShowTheFirstFewLinesOfEachReasonOrEveryLine)
{
    const ItemsFile file = Read();
    const std::vector<std::wstring> brief = DescribeRefusals(file, 2, Digits);
    const std::vector<std::wstring> expected{
        L"2 of 4 entries loaded, 1 of them with every line; 10 lines refused, by reason:",
        L"  an unknown variable: 5 lines, 2 entries not loaded",
        L"    line 10: unknown variable %Nowhere%",
        L"    line 13: unknown variable %Elsewhere%",
        L"    and 3 more",
        L"  a key outside HKCU: 4 lines",
        L"    line 5: 'HKLM' is not cleaned: only the user's own hive (HKCU) is",
        L"    line 6: 'HKLM' is not cleaned: only the user's own hive (HKCU) is",
        L"    and 2 more",
        L"  an unknown key: 1 line",
        L"    line 15: unknown key 'Keep2'; history keeps everything until this line is mended",
    };
    EXPECT_EQ(brief, expected);

    const std::vector<std::wstring> every = DescribeRefusals(file, kEveryLine, Digits);
    std::vector<std::wstring> variableLines(every.begin() + 2, every.begin() + 7);
    EXPECT_EQ(variableLines, (std::vector<std::wstring>{
                                 L"    line 9: 'Odd' is not loaded: its line 10 cannot be taken",
                                 L"    line 10: unknown variable %Nowhere%",
                                 L"    line 11: not taken: its entry 'Odd' is not loaded (line 10)",
                                 L"    line 12: 'Odder' is not loaded: its line 13 cannot be taken",
                                 L"    line 13: unknown variable %Elsewhere%",
                             }));
    EXPECT_EQ(every.size(), 1u + 3u + 10u) << "a heading for each reason and every refused line";

    EXPECT_TRUE(DescribeRefusals(ReadItemsFile("[A]\nFileKey1=%Temp%|*\n", {}), 3, Digits).empty());
}

}  // namespace
}  // namespace nivaro
