#pragma once
// The face of every cleaning item that the main window uses: its title and its run.

#include <string>

#include "platform/error.h"

namespace nivaro {

class CleaningItem {
public:
    virtual ~CleaningItem() = default;

    virtual const std::wstring& Title() const = 0;
    virtual Result<> SetTitle(std::wstring title) = 0;
    // Cleans the item's target and reports the outcome in its status line.
    virtual Result<> Start() = 0;
};

}  // namespace nivaro
