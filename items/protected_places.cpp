#include "items/protected_places.h"

#include <cwctype>
#include <memory>

namespace nivaro {
namespace {

// Paths compared as Windows compares them, without regard to case; where a file system does
// tell case apart, this can only protect more.
bool SameText(std::wstring_view a, std::wstring_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return x == y || std::towupper(static_cast<wint_t>(x)) == std::towupper(static_cast<wint_t>(y));
           });
}

// Whether `inner` lies somewhere under `outer`.
bool IsInside(std::wstring_view inner, std::wstring_view outer, wchar_t separator)
{
    if (outer.ends_with(separator)) {
        outer.remove_suffix(1);  // a root keeps its separator
    }
    return inner.size() > outer.size() + 1 && inner[outer.size()] == separator &&
           SameText(inner.substr(0, outer.size()), outer);
}

std::wstring_view Parent(std::wstring_view path, wchar_t separator)
{
    const std::size_t last = path.find_last_of(separator);
    return last == std::wstring_view::npos ? std::wstring_view() : path.substr(0, last);
}

}  // namespace

std::optional<std::wstring> WhyProtected(const FolderHandle& folder, FileSystem& files, Environment& environment)
{
    return WhyProtected(folder.Path(), folder.IsVolumeRoot(), files, environment);
}

std::optional<std::wstring> WhyProtected(const std::wstring& path, bool volumeRoot, FileSystem& files,
                                         Environment& environment)
{
    if (volumeRoot) {
        return path + L" is the root of a drive, which is never cleaned";
    }
    const wchar_t separator = files.Separator();
    for (const ProtectedPlace& protectedPlace : kProtectedPlaces) {
        const std::optional<std::wstring> named = environment.KnownFolder(protectedPlace.place);
        if (!named) {
            continue;
        }
        // Where the place really is: it may be a link, as the user's folders are under Wine.
        auto opened = files.OpenFolder(*named);
        if (!opened) {
            continue;
        }
        const std::wstring& place = (*opened)->Path();
        const std::wstring what(protectedPlace.what);
        if (IsInside(place, path, separator)) {
            return path + L" holds " + what + L", so it is never cleaned";
        }
        switch (protectedPlace.rule) {
        case PlaceRule::kItself:
            if (SameText(path, place)) {
                return path + L" is " + what + L", which is never cleaned";
            }
            break;
        case PlaceRule::kItselfAndInside:
            if (SameText(path, place) || IsInside(path, place, separator)) {
                return path + L" is " + what + L" or inside it, which is never cleaned";
            }
            break;
        case PlaceRule::kItsChildren:
            if (SameText(Parent(path, separator), place)) {
                return path + L" is " + what + L", which is never cleaned";
            }
            break;
        }
    }
    return std::nullopt;
}

}  // namespace nivaro
