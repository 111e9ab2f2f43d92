#pragma once
// The registry benchmark's baseline and set-up, straight on the API.

#include <cstddef>
#include <string_view>

namespace nivaro::win32::bench {

// Creates a volatile key under HKEY_CURRENT_USER, or opens the one there; false when neither works.
// Wine writes a changed registry to disk every 30 seconds, and a key of 100,000 values would put
// that write in the middle of a measurement; a volatile key is never written.
bool CreateVolatileKey(std::wstring_view path);
// Removes a key of HKEY_CURRENT_USER with everything under it.
void DeleteKeyTree(std::wstring_view path);

// The practical limit of emptying a key under HKEY_CURRENT_USER: one handle, every name
// enumerated once without its data, then deleted last to first, so that Wine's sorted value
// array never has to close a gap. The number deleted.
std::size_t DeleteValuesWithRawLoop(std::wstring_view path);

}  // namespace nivaro::win32::bench
