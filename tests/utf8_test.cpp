// Text read as UTF-8 (the items file, the command line's output read back) takes only the shortest
// form of each character: a longer form would smuggle a separator or a dot past a check made on
// the bytes.

#include "platform/utf8.h"

#include <gtest/gtest.h>

namespace nivaro {
namespace {

TEST(Utf8, AnOverlongOrOutOfRangeSequenceIsReplacedNeverDecoded)
{
    struct Case {
        const char* what;
        std::string bytes;
        wchar_t smuggled;  // what the sequence would be, read leniently
    };
    const Case cases[] = {
        {"'/' in two bytes", "a\xC0\xAF" "b", L'/'},
        {"'/' in three bytes", "a\xE0\x80\xAF" "b", L'/'},
        {"'/' in four bytes", "a\xF0\x80\x80\xAF" "b", L'/'},
        {"'\\' in two bytes", "a\xC1\x9C" "b", L'\\'},
        {"'.' in three bytes", "a\xE0\x80\xAE" "b", L'.'},
        {"NUL in two bytes", std::string("a\xC0\x80" "b"), L'\0'},
        {"U+00E9 in three bytes", "a\xE0\x83\xA9" "b", L'\u00E9'},
        {"U+FFFF in four bytes", "a\xF0\x8F\xBF\xBF" "b", L'\uFFFF'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring text = FromUtf8(c.bytes);
        ASSERT_GE(text.size(), 3u);
        EXPECT_EQ(text.front(), L'a');
        EXPECT_EQ(text.back(), L'b') << "what follows is read as it is";
        const std::wstring middle = text.substr(1, text.size() - 2);
        EXPECT_EQ(middle.find(c.smuggled), std::wstring::npos);
        EXPECT_EQ(middle, std::wstring(middle.size(), L'\uFFFD'));
    }
    // The shortest forms of the same characters are read.
    EXPECT_EQ(FromUtf8("a/\xC3\xA9\xEF\xBF\xBF" "b"), L"a/\u00E9\uFFFF" L"b");
}

TEST(Utf8, SurrogatesAndCodePointsPastTheLastAreNotUtf8)
{
    for (const std::string bytes : {"\xED\xA0\x80", "\xED\xBF\xBF", "\xF4\x90\x80\x80", "\xF7\xBF\xBF\xBF"}) {
        SCOPED_TRACE(::testing::PrintToString(bytes));
        const std::wstring text = FromUtf8(bytes);
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(text, std::wstring(text.size(), L'\uFFFD'));
    }
}

}  // namespace
}  // namespace nivaro
