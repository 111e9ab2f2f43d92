// Names compare as the system compares them, on whichever backend this build links: the same
// table natively and under Wine. Each row is a pair that a table built another way (lower-casing
// whole strings, full Unicode case folding, ASCII only) would get wrong.

#include <gtest/gtest.h>

#include <string>

#include "items/name_pattern.h"
#include "platform/name_case.h"
#include "platform/utf8.h"

namespace nivaro {
namespace {

struct NamePair {
    const char* what;
    const char* a;  // UTF-8
    const char* b;
    bool same;
};

TEST(NameCase, NamesCompareUnitByUnitThroughTheSystemsUpperCaseTable)
{
    const NamePair pairs[] = {
        {"ASCII letters", "Report.TXT", "report.txt", true},
        {"ASCII letters that differ", "a", "b", false},
        {"accented letters beyond ASCII", "été", "ÉTÉ", true},
        {"Cyrillic", "Журнал", "жУРНАЛ", true},
        {"Greek capital and small sigma", "Σ", "σ", true},
        {"the final sigma keeps its own case class", "ς", "σ", false},
        {"the final sigma is not the capital sigma either", "ς", "Σ", false},
        {"the Kelvin sign is no k", "\u212A", "k", false},
        {"the Kelvin sign is no K", "\u212A", "K", false},
        {"the dotted capital I is no i", "İ", "i", false},
        {"the dotless small i is no I", "ı", "I", false},
        {"the long s is no s", "ſ", "s", false},
        {"ß has no capital of its own in the table", "ß", "ẞ", false},
        {"ß is never two letters", "ß", "SS", false},
        {"the micro sign is no Greek mu", "µ", "Μ", false},
        {"a character beyond U+FFFF is never folded", "\U00010400", "\U00010428", false},
        {"a character beyond U+FFFF equals itself", "\U00010400x", "\U00010400X", true},
        {"lengths differ", "abc", "abcd", false},
    };
    for (const NamePair& pair : pairs) {
        SCOPED_TRACE(pair.what);
        const std::wstring a = FromUtf8(pair.a);
        const std::wstring b = FromUtf8(pair.b);
        EXPECT_EQ(SameName(a, b), pair.same);
        EXPECT_EQ(SameName(b, a), pair.same);
        EXPECT_EQ(UpcaseName(a) == UpcaseName(b), pair.same) << "a map keyed by the upper-case form agrees";
        // A pattern without wildcards matches exactly the names SameName takes.
        EXPECT_EQ(MatchesPattern(a, b), pair.same);
    }
}

TEST(NameCase, PatternsMatchLettersBeyondAsciiWithoutRegardToCase)
{
    const struct {
        const char* name;
        const char* pattern;
        bool matches;
    } cases[] = {
        {"ÉTÉ rapport.docx", "été*", true},
        {"Été.tmp", "*.TMP", true},
        {"ΣΟΦΙΑ.log", "σοφια.*", true},
        {"\u212Aelvin.log", "k*", false},
        {"ſecret.txt", "s*", false},
        {"\U00010400.dat", "?*.dat", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(MatchesPattern(FromUtf8(c.name), FromUtf8(c.pattern)), c.matches) << c.pattern;
    }
}

}  // namespace
}  // namespace nivaro
