#pragma once
// The tray's texts in the user's language: section "TRAY" of the strings file (and a few keys the
// window shares), with the English texts built in for a key no strings file has, so the tray never
// shows an empty menu. Qt-free.
#include <string>
#include <vector>

#include "shared/string_table.h"

namespace tray {

struct Texts {
    std::string name = "KORVANTE mouse";               // menu header, start of the tooltip
    std::string noSettings = "No settings yet";
    std::string profile = "Profile %1";
    std::string stage = "DPI stage %1";
    std::string dpi = "%1 DPI";
    std::string dpiAxes = "%1 \u00d7 %2 DPI";            // separate X and Y resolutions
    std::string failNoAnswer = "The last change did not reach the mouse: it did not answer";
    std::string failMismatch = "The last change did not reach the mouse: it kept other values";
    std::string connected = "Mouse connected";           // MAIN, shared with the window
    std::string noDevice = "No mouse found";             // MAIN
    std::string noService = "Service not running";       // MAIN
    std::string openPanel = "Open configuration";
    std::string openPanelTip = "Start the configuration program";
    std::string noPanel = "The configuration program is not installed";
    std::string notices = "Show notifications";
    std::string noticesTip = "A short notice when the mouse's own buttons change the DPI stage, the profile or the lighting";
    std::string quit = "Quit";
    std::string noticeDpi = "DPI stage %1 - %2";         // %2: the dpi or dpiAxes text
    std::string noticeLighting = "Lighting: %1";         // %1: the mode's name
    std::string lightingOff = "Lighting off";
    std::vector<std::string> ledModes = {"Steady", "Wave", "Breathing", "Color Cycle", "Rotation", "Custom"};  // BUTTONPAGE

    bool operator==(const Texts&) const = default;
};

// The texts from the strings table; a key it does not have keeps its English text.
Texts loadTexts(const StringTable& strings);

using ::fillIn;  // shared/string_table.h

}  // namespace tray
