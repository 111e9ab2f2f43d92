#pragma once
// The cookie keep-list: host patterns such as "*.example.org" or "example.net". A cookie stays when
// its host is kept (a domain cookie's leading dot understood), and a partitioned cookie also when
// the top-level site it is partitioned by is kept. The list fails closed: a pattern that is not a
// host pattern refuses the whole list, and whoever cleans with it removes no cookie.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"

namespace nivaro {

class CookieKeepList {
public:
    // Refused, with the first pattern that is no host pattern, when one is not.
    static Result<CookieKeepList> Parse(std::span<const std::wstring> patterns);

    bool Keeps(std::string_view host, std::string_view partition) const;
    bool Empty() const { return patterns_.empty(); }

private:
    std::vector<std::wstring> patterns_;
};

// The host of the top-level site a cookie is partitioned by, from Chromium's top_frame_site_key
// ("https://example.org") or Firefox's originAttributes ("^partitionKey=%28https%2Cexample.org%29");
// nothing for an unpartitioned cookie.
std::optional<std::string> PartitionSiteHost(std::string_view partition);

// scheme://host[:port] of an address; empty when it has none.
std::string OriginOf(std::string_view url);

}  // namespace nivaro
