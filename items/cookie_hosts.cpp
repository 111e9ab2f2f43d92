#include "items/cookie_hosts.h"

#include <span>

#include "items/name_pattern.h"
#include "platform/utf16.h"
#include "platform/utf8.h"

namespace nivaro {
namespace {

// The encodings the system writes a cookie file in: UTF-16 LE, with its byte-order mark or
// without (text of this kind then holds a NUL in nearly every character, which UTF-8 and the
// ANSI code pages never hold), or UTF-8 and ANSI, whose hosts are ASCII alike.
std::wstring CookieText(std::string_view bytes)
{
    if (bytes.starts_with("\xFF\xFE")) {
        return DecodeUtf16(std::as_bytes(std::span(bytes.substr(2))));
    }
    if (bytes.find('\0') != std::string_view::npos) {
        return DecodeUtf16(std::as_bytes(std::span(bytes)));
    }
    return FromUtf8(bytes.starts_with("\xEF\xBB\xBF") ? bytes.substr(3) : bytes);
}

}  // namespace

std::vector<std::wstring> CookieHosts(std::string_view bytes)
{
    const std::wstring whole = CookieText(bytes);
    std::wstring_view text = whole;
    std::vector<std::wstring> hosts;
    int lineInRecord = 0;
    while (!text.empty()) {
        const std::size_t end = text.find(L'\n');
        std::wstring_view line = text.substr(0, end);
        text.remove_prefix(end == std::wstring_view::npos ? text.size() : end + 1);
        if (line.ends_with(L'\r')) {
            line.remove_suffix(1);
        }
        if (line == L"*") {
            lineInRecord = 0;  // the record ends here
            continue;
        }
        if (++lineInRecord == 3) {
            const std::wstring_view host = line.substr(0, line.find(L'/'));
            if (!host.empty()) {
                hosts.emplace_back(host);
            }
        }
    }
    return hosts;
}

bool HostKept(std::wstring_view host, std::wstring_view pattern)
{
    const std::wstring domain = host.starts_with(L'.') ? std::wstring(host) : L"." + std::wstring(host);
    return MatchesPattern(host, pattern) || MatchesPattern(domain, pattern);
}

}  // namespace nivaro
