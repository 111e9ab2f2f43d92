#pragma once
// While one of these lives, no top-level window can be created on the thread that made it:
// whatever runs meanwhile cannot put up a dialog and wait for an answer that nobody will give.
// Child windows are let through.

#include "platform/win32/unique_handles.h"

namespace nivaro::win32 {

class TopLevelWindowRefusal {
public:
    TopLevelWindowRefusal();

    // False when the hook could not be set, so nothing is refused.
    explicit operator bool() const { return static_cast<bool>(hook_); }

private:
    UniqueHook hook_;
};

}  // namespace nivaro::win32
