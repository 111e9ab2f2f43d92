#pragma once
// Names as people read them in a report or a window. A name on disk or in the registry may hold
// anything: a control character that ends a line or steers a terminal, a NUL that cuts a C
// string short, a surrogate without its partner that no font shows, a mark that turns the
// direction of the text after it. Each is shown as an escape instead, so that every name reads
// as exactly what it is and two names never read alike.

#include <string>
#include <string_view>

namespace nivaro {

// The text with each control character written \xHH (\x1B, \x00, \x0A), and each lone surrogate
// and each mark that steers the direction of text or breaks a line written \uHHHH (\uD800,
// \u202E); the rest as it is.
std::wstring Visible(std::wstring_view text);

// The text as a JSON string, its quotes included, in UTF-8: a lone surrogate stays a \uD800
// escape (JSON can say what UTF-8 cannot), where a converter would make it U+FFFD.
std::string JsonString(std::wstring_view text);

}  // namespace nivaro
