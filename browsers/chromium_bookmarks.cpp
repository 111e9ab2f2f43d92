#include "browsers/chromium_bookmarks.h"

#include <nlohmann/json.hpp>

#include "browsers/database_cleaner.h"

namespace nivaro {

Result<std::vector<std::string>> BookmarkedUrls(std::string_view json)
{
    const nlohmann::json document = nlohmann::json::parse(json, nullptr, false);
    if (document.is_discarded() || !document.is_object() || !document.contains("roots") ||
        !document["roots"].is_object()) {
        return Fail(database_status::kNoKeptPages, L"the bookmarks file is not one its browser wrote");
    }
    std::vector<std::string> urls;
    // Walked with a list of its own rather than by recursion: a file can nest folders deeply.
    std::vector<const nlohmann::json*> pending;
    for (const auto& [name, root] : document["roots"].items()) {
        pending.push_back(&root);
    }
    while (!pending.empty()) {
        const nlohmann::json& node = *pending.back();
        pending.pop_back();
        if (!node.is_object()) {
            continue;
        }
        if (const auto url = node.find("url"); url != node.end() && url->is_string()) {
            urls.push_back(url->get<std::string>());
        }
        if (const auto children = node.find("children"); children != node.end() && children->is_array()) {
            for (const nlohmann::json& child : *children) {
                pending.push_back(&child);
            }
        }
    }
    return urls;
}

}  // namespace nivaro
