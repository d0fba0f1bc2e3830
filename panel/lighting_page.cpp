#include "panel/lighting_page.h"

#include "shared/window_messages.h"

namespace panel {

int levelShown(int level) {
    switch (level) {
        case 2: return 30;
        case 3: return 60;
        case 4: return 100;
        default: return 0;
    }
}

bool modeHasDirection(int mode) { return mode == 2 || mode == 5; }

std::vector<FunctionMenuEntry> modeMenu() {
    std::vector<FunctionMenuEntry> items;
    for (int m = 1; m <= 5; ++m) items.push_back({"LEDMODE" + std::to_string(m), kFirstModeItem + m - 1});
    return items;
}

std::vector<FunctionMenuEntry> directionMenu(int mode) {
    if (mode == 2) return {{"LEDMODEDIR1", kFirstDirectionItem}, {"LEDMODEDIR2", kFirstDirectionItem + 1}};
    if (mode == 5) return {{"LEDMODEDIR3", kFirstDirectionItem + 2}, {"LEDMODEDIR4", kFirstDirectionItem + 3}};
    return {};
}

LedModeInfo& LightingPageRules::currentMode() { return model_.working().ledModes[model_.lightingMode() - 1]; }

bool LightingPageRules::chooseItem(int item) {
    if (item >= kFirstModeItem && item < kFirstModeItem + 5) {
        model_.working().LedMode = item - kFirstModeItem + 1;
    } else if (item >= kFirstDirectionItem && item < kFirstDirectionItem + 4) {
        const int direction = item - kFirstDirectionItem + 1;
        // Directions 1 and 2 belong to mode 2, 3 and 4 to mode 5.
        const int mode = model_.lightingMode();
        if ((mode == 2 && direction > 2) || (mode == 5 && direction < 3) || !modeHasDirection(mode)) return false;
        currentMode().direction = direction;
    } else {
        return false;
    }
    model_.saveAndPost(msg::kLighting);
    return true;
}

void LightingPageRules::levelReleased(int level) {
    currentMode().level = level;
    model_.saveAndPost(msg::kLighting);
}

void LightingPageRules::rateReleased(int rate) {
    currentMode().rate = rate;
    model_.saveAndPost(msg::kLighting);
}

void LightingPageRules::levelDragged(int level) { currentMode().level = level; }

void LightingPageRules::rateDragged(int rate) { currentMode().rate = rate; }

void LightingPageRules::toggleRate() {
    LedModeInfo& mode = currentMode();
    mode.rate = mode.rate == 0 ? 3 : 0;
    model_.saveAndPost(msg::kLighting);
}

void LightingPageRules::setOn(bool on) {
    model_.working().LedStateOn = on ? 1 : 0;
    model_.saveAndPost(msg::kLighting);
}

void LightingPageRules::setColour(uint32_t colorRef) {
    model_.working().LedColor = static_cast<int32_t>(colorRef & 0xFFFFFF);
    model_.saveAndPost(msg::kLighting);
}

}  // namespace panel
