#include "platform/visible_text.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/utf16_units.h"

namespace nivaro {
namespace {

TEST(VisibleText, ControlCharactersLoneSurrogatesAndDirectionMarksAreEscapedTheRestStays)
{
    struct Case {
        const char* what;
        std::wstring name;
        std::wstring shown;
        std::string json;
    };
    const Case cases[] = {
        {"plain text", L"report.txt", L"report.txt", R"("report.txt")"},
        {"an escape sequence that would steer a terminal", L"a\x1B[2Jb", L"a\\x1B[2Jb", R"("a\u001B[2Jb")"},
        {"a line break that would forge a report line", L"x\n  removed  y", L"x\\x0A  removed  y",
         R"("x\n  removed  y")"},
        {"a NUL that would cut a C string", std::wstring(L"a\0b", 3), L"a\\x00b", R"("a\u0000b")"},
        {"DEL and a C1 control", L"\x7F\x85", L"\\x7F\\x85", "\"\x7F\xC2\x85\""},
        {"a lone high surrogate", Units({u'a', 0xD800, u'b'}), L"a\\uD800b", R"("a\uD800b")"},
        {"a lone low surrogate", Units({0xDC00}), L"\\uDC00", R"("\uDC00")"},
        {"a low surrogate before a high one", Units({0xDC01, 0xD801}), L"\\uDC01\\uD801", R"("\uDC01\uD801")"},
        {"a surrogate pair is one character", Units({0xD83D, 0xDE00}), Units({0xD83D, 0xDE00}), "\"\xF0\x9F\x98\x80\""},
        {"a mark that turns the text after it", L"txt.\x202E" L"exe", L"txt.\\u202Eexe", "\"txt.\xE2\x80\xAE" "exe\""},
        {"a line separator", L"a\x2028" L"b", L"a\\u2028b", "\"a\xE2\x80\xA8" "b\""},
        {"letters outside ASCII", L"Caf\u00E9 \u65E5", L"Caf\u00E9 \u65E5", "\"Caf\xC3\xA9 \xE6\x97\xA5\""},
        {"quotes and backslashes", L"C:\\a \"b\"", L"C:\\a \"b\"", R"("C:\\a \"b\"")"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Visible(c.name), c.shown);
        EXPECT_EQ(JsonString(c.name), c.json);
    }
}

TEST(VisibleText, DistinctNamesStayDistinct)
{
    const std::vector<std::wstring> names = {Units({u'a', 0xD800}), Units({u'a', 0xDBFF}), Units({u'a', 0xFFFD}),
                                             std::wstring(L"a\0", 2), L"a"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        for (std::size_t j = i + 1; j < names.size(); ++j) {
            EXPECT_NE(Visible(names[i]), Visible(names[j])) << i << " and " << j;
            EXPECT_NE(JsonString(names[i]), JsonString(names[j])) << i << " and " << j;
        }
    }
}

}  // namespace
}  // namespace nivaro
