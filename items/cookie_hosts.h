#pragma once
// The sites a cookie file is for. A browser's cookie file holds records of nine lines each, the
// last of them "*": the cookie's name, its value, then the host and path it belongs to
// ("www.example.org/path/"), then flags and times.

#include <string>
#include <string_view>
#include <vector>

namespace nivaro {

// The host of every record of a whole cookie file, in the order of the file, whichever encoding
// the system wrote it in; nothing for a file that holds no record.
std::vector<std::wstring> CookieHosts(std::string_view bytes);

// Whether a keep pattern such as "*.example.org" keeps a cookie of this host: the host itself,
// or the host as a domain with a leading dot, matches it.
bool HostKept(std::wstring_view host, std::wstring_view pattern);

}  // namespace nivaro
