// The system's own upper-case table: the one the file system and the registry compare names by.

#include <windows.h>

#include "platform/name_case.h"

extern "C" WCHAR NTAPI RtlUpcaseUnicodeChar(WCHAR source);

namespace nivaro {

wchar_t UpcaseNameUnit(wchar_t unit)
{
    return ::RtlUpcaseUnicodeChar(unit);
}

}  // namespace nivaro
