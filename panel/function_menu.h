#pragma once
// The button function menu of the button page: its first-level items and five submenus, as
// string keys and item numbers. The window turns the keys into texts of the strings file and
// shows the menu as a picture popup.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "shared/settings_record.h"

namespace panel {

struct FunctionMenuEntry {
    std::string key;  // "BUTTONPAGE" key of the text
    int number;       // item number: the function code, or the group number of a submenu item
};

struct FunctionMenuItem {
    std::string key;
    int number;
    std::vector<FunctionMenuEntry> submenu;  // empty for a leaf
};

// The menu for the current profile (0..4): the "SHIFT" submenu lists the four other profiles; a
// current profile outside 0..4 leaves it empty.
std::vector<FunctionMenuItem> buildFunctionMenu(int currentProfile);

// Where the menu opens for a label: its top-left corner one pixel right of the label's left edge
// at the label's bottom, moved 157 pixels left when its 157-pixel width would pass the right edge
// of the work area and 264 pixels up when its 264-pixel height would pass the bottom.
struct MenuCorner {
    int x, y;
};
MenuCorner functionMenuCorner(int labelLeft, int labelBottom, int areaRight, int areaBottom);

// The text of a button label for its record: a fixed function's "BUTTONPAGE" text; for a single
// key (code 5) the key's name, or "key"; for a DPI shift (code 15) "DPISHIFTLABEL" with its DPI
// ("DPI Shift 750"; the plain "DPISHIFT" text for an item the mouse does not know); for a macro
// (code 6) its play mode with the name of its macro ("Macro: Name x3" played three times,
// "MACROLABELONCE", and "MACROLABELREPEAT", "MACROLABELHOLD" for the endless and the held mode),
// the macro resolved by name against the name list (macro::resolveMacroButton: the position bits
// of byte 3 refreshed, a macro no longer listed turns the button off, code 7, labelled
// "OFFBUTTON"); with no macro at all and none named the label reads "MACROCOMMAND". Any other code
// gives an empty text. loopTimes holds each listed macro's "LoopTime" (the times the mouse plays
// it, 0 counting as 1); a macro without one counts the loop time its record keeps (byte 2).
using TextLookup = std::function<std::string(std::string_view key)>;  // "BUTTONPAGE" texts
std::string buttonLabel(ButtonRecord& record, const std::vector<std::string>& macroNames, const TextLookup& text,
                        const std::vector<int>& loopTimes = {});

}  // namespace panel
