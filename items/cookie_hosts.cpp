#include "items/cookie_hosts.h"

#include "items/name_pattern.h"
#include "platform/utf8.h"

namespace nivaro {

std::vector<std::wstring> CookieHosts(std::string_view text)
{
    std::vector<std::wstring> hosts;
    int lineInRecord = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (line == "*") {
            lineInRecord = 0;  // the record ends here
            continue;
        }
        if (++lineInRecord == 3) {
            const std::string_view host = line.substr(0, line.find('/'));
            if (!host.empty()) {
                hosts.push_back(FromUtf8(host));
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
