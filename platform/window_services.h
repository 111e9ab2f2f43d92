#pragma once
// What the main window's commands need of the window toolkit.

#include <cstdint>
#include <string_view>

#include "platform/error.h"

namespace nivaro {

enum class MessageButtons { kOk, kYesNo };
enum class MessageIcon { kNone, kQuestion };
// The platform's answer codes; kNone when no box could be shown.
enum class MessageAnswer : int { kNone = 0, kOk = 1, kYes = 6, kNo = 7 };

class WindowServices {
public:
    virtual ~WindowServices() = default;

    // The value of the "Clean" checkbox with this index: 0 clear, 1 checked. Error 340 when the
    // window has no checkbox of that index.
    virtual Result<std::int32_t> CheckboxValue(int index) const = 0;
    // A modal message box owned by the window; an empty title shows the application title.
    virtual MessageAnswer ShowMessage(std::wstring_view text, std::wstring_view title, MessageButtons buttons,
                                      MessageIcon icon) = 0;
    // Opens a web page in the user's browser. Whether it opened is not reported.
    virtual void OpenWebPage(std::wstring_view address) = 0;
    // Greys "Clean" and "Clean All" out while a clean runs.
    virtual void SetCleanCommandsEnabled(bool enabled) = 0;
};

}  // namespace nivaro
