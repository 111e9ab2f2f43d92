#include "browsers/cookie_keep_list.h"

#include <algorithm>

#include "browsers/database_cleaner.h"
#include "items/cookie_hosts.h"
#include "platform/utf8.h"

namespace nivaro {
namespace {

// Letters and digits of any script, '-', '_', '.', and the wildcards; nothing that belongs to an
// address's scheme, port, path or to a file name.
bool IsHostPatternCharacter(wchar_t c)
{
    if (c >= 0x80) {
        return true;  // an internationalised name
    }
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'-' || c == L'_' ||
           c == L'.' || c == L'*' || c == L'?';
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::string PercentDecoded(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

// The host of scheme://host[:port][/...]; empty when the text has no scheme.
std::string_view HostOf(std::string_view url)
{
    const std::size_t scheme = url.find("://");
    if (scheme == std::string_view::npos) {
        return {};
    }
    std::string_view rest = url.substr(scheme + 3);
    rest = rest.substr(0, rest.find_first_of("/?#"));
    if (const std::size_t at = rest.rfind('@'); at != std::string_view::npos) {
        rest.remove_prefix(at + 1);
    }
    if (rest.starts_with('[')) {
        return rest.substr(0, rest.find(']') + 1);
    }
    return rest.substr(0, rest.find(':'));
}

}  // namespace

Result<CookieKeepList> CookieKeepList::Parse(std::span<const std::wstring> patterns)
{
    CookieKeepList list;
    for (const std::wstring& pattern : patterns) {
        if (pattern.empty() || !std::ranges::all_of(pattern, IsHostPatternCharacter)) {
            return Fail(database_status::kNoKeepList,
                        L"The keep pattern \"" + pattern + L"\" is not a host pattern such as *.example.org");
        }
        list.patterns_.push_back(pattern);
    }
    return list;
}

bool CookieKeepList::Keeps(std::string_view host, std::string_view partition) const
{
    const auto kept = [&](std::string_view name) {
        const std::wstring wide = FromUtf8(name);
        return !wide.empty() &&
               std::ranges::any_of(patterns_, [&](const std::wstring& pattern) { return HostKept(wide, pattern); });
    };
    if (kept(host)) {
        return true;
    }
    const std::optional<std::string> site = PartitionSiteHost(partition);
    return site && kept(*site);
}

std::optional<std::string> PartitionSiteHost(std::string_view partition)
{
    if (partition.empty()) {
        return std::nullopt;
    }
    if (partition.starts_with('^') || partition.find("partitionKey=") != std::string_view::npos) {
        // Firefox: ^a=b&partitionKey=%28scheme%2Chost[%2Cport]%29[&...]
        const std::size_t key = partition.find("partitionKey=");
        if (key == std::string_view::npos) {
            return std::nullopt;
        }
        std::string_view value = partition.substr(key + 13);
        value = value.substr(0, value.find('&'));
        const std::string decoded = PercentDecoded(value);
        std::string_view inner = decoded;
        if (!inner.starts_with('(') || !inner.ends_with(')')) {
            return std::nullopt;
        }
        inner = inner.substr(1, inner.size() - 2);
        const std::size_t comma = inner.find(',');
        if (comma == std::string_view::npos) {
            return std::nullopt;
        }
        std::string_view host = inner.substr(comma + 1);
        host = host.substr(0, host.find(','));
        return host.empty() ? std::nullopt : std::optional(std::string(host));
    }
    const std::string_view host = HostOf(partition);  // Chromium: scheme://site
    return host.empty() ? std::nullopt : std::optional(std::string(host));
}

std::string OriginOf(std::string_view url)
{
    const std::size_t scheme = url.find("://");
    if (scheme == std::string_view::npos) {
        return {};
    }
    const std::size_t end = url.find_first_of("/?#", scheme + 3);
    return std::string(url.substr(0, end));
}

}  // namespace nivaro
