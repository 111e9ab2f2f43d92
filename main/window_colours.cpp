#include "main/window_colours.h"

#include "items/item_design.h"
#include "main/item_layout.h"

namespace nivaro {

WindowColours ChooseColours(bool highContrast, const SystemColours& system)
{
    if (highContrast) {
        return {.background = system.window,
                .itemBackground = system.window,
                .text = system.windowText,
                .band = system.highlight,
                .textOnOwnBackground = true,
                .separatorPicture = false};
    }
    return {.background = form_design::kBackground,
            .itemBackground = kItemBackground,
            .text = system.windowText,
            .band = kBandColour,
            .textOnOwnBackground = false,
            .separatorPicture = true};
}

}  // namespace nivaro
