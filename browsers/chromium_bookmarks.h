#pragma once
// The addresses a Chromium profile's bookmarks name, from its Bookmarks file (JSON): the pages
// whose history rows and icons stay when its history is cleaned.

#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"

namespace nivaro {

// Every "url" node's address under "roots", at any depth; refused when the text is not such a file.
Result<std::vector<std::string>> BookmarkedUrls(std::string_view json);

}  // namespace nivaro
