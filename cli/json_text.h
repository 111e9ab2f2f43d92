#pragma once
// The JSON report's text. Names are kept in the document as they are, a lone surrogate included
// (UTF-8 that encodes the surrogate itself), and written out as JSON escapes: the JSON library's
// own writer would make such a name U+FFFD, and three distinct names would read alike.

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

namespace nivaro::cli {

using Json = nlohmann::ordered_json;

// A string for the document: the text exactly, lone surrogates and all.
Json ExactText(std::wstring_view text);

// The document as text, indented by two as the library indents it, every string written from the
// text it was made from.
std::string Dump(const Json& document);

}  // namespace nivaro::cli
