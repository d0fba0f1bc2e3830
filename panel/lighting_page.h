#pragma once
// The lighting page's rules: mode and direction menus, level and rate sliders, the rate switch,
// on and off, and the colour. Each change is stored in the working record, saved, and announced
// with message 1227.
#include <cstdint>
#include <string>
#include <vector>

#include "panel/function_menu.h"
#include "panel/layout/window_layout.h"
#include "panel/panel_model.h"

namespace panel {

using layout::kSliderLevel;
using layout::kSliderRate;
inline constexpr int kFirstModeItem = 40005;       // "LEDMODE1" .. "LEDMODE5": 40005 .. 40009
inline constexpr int kFirstDirectionItem = 40011;  // "LEDMODEDIR1" .. "LEDMODEDIR4": 40011 .. 40014

// The number shown for a level: 0, 30, 60 or 100 (for 1 or any other value, 2, 3, 4).
int levelShown(int level);
// Whether a mode has a direction (modes 2 and 5).
bool modeHasDirection(int mode);
// The mode menu (modes 1..5; mode 6 is only shown when the mouse reports it) and the direction
// menu of a mode (empty for modes without one).
std::vector<FunctionMenuEntry> modeMenu();
std::vector<FunctionMenuEntry> directionMenu(int mode);

class LightingPageRules {
public:
    explicit LightingPageRules(PanelModel& model) : model_(model) {}

    // A chosen menu item: 40005..40009 a mode, 40011..40014 a direction. False for other numbers.
    bool chooseItem(int item);
    void levelReleased(int level);   // stores, saves, posts
    void rateReleased(int rate);     // stores, saves, posts
    void levelDragged(int level);    // stores only
    void rateDragged(int rate);      // stores only
    void toggleRate();               // 0 → 3, anything else → 0
    void setOn(bool on);
    void setColour(uint32_t colorRef);

    LedModeInfo& currentMode();

private:
    PanelModel& model_;
};

}  // namespace panel
