#pragma once
// The main window's three commands: "Clean All", "Clean" and "More...".

#include <string_view>
#include <vector>

#include "items/cleaning_item.h"
#include "platform/window_services.h"

namespace nivaro {

// A control of the window, in window order, as the commands see it.
struct FormControl {
    std::wstring_view name;
    CleaningItem* item = nullptr;  // null for buttons and checkboxes
};

class CleanCommands {
public:
    CleanCommands(WindowServices& window, std::vector<FormControl> controls)
        : window_(window), controls_(std::move(controls))
    {
    }

    void CleanAll();  // cmdStart
    void Clean();     // Command1
    void More();      // Command2

    // True while a clean runs; the folder items pump events meanwhile.
    bool Busy() const { return busy_; }

private:
    enum class Selection { kAll, kChecked };

    void Run(Selection selection, std::wstring_view question, std::wstring_view title);
    Result<> StartItems(Selection selection);

    WindowServices& window_;
    std::vector<FormControl> controls_;
    bool busy_ = false;
};

}  // namespace nivaro
