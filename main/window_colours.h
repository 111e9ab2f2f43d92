#pragma once
// The colours the main window draws with. As designed, a white window with light blue title bands
// and a gradient line under each title; in a high-contrast theme, the user's own colours for
// everything and no fixed colour anywhere.

#include "platform/geometry.h"

namespace nivaro {

// The system's colours that the window may take.
struct SystemColours {
    Colour window;         // the background of windows
    Colour windowText;     // text on it
    Colour highlight;      // what is marked
};

struct WindowColours {
    Colour background;      // the window and its check boxes
    Colour itemBackground;  // the cleaning items' panels
    Colour text;            // the items' texts and the check boxes'
    Colour band;            // the title band's outline and its fill
    // Texts are drawn on their own background, so that the band's fill never lies under a text
    // in colours that were not made to go together.
    bool textOnOwnBackground = false;
    // The gradient picture under each title; without it, a plain line in the text's colour.
    bool separatorPicture = true;
};

WindowColours ChooseColours(bool highContrast, const SystemColours& system);

}  // namespace nivaro
