#pragma once
// PerformancePage: the DPI stages with one slider for both axes or one for each, pointer
// acceleration, report rate, double-click speed, wheel lines, angle snapping and lift distance. The
// rules of each change (the values the mouse keeps, the request the service needs) are the settings
// rules'; the page stores a dragged slider's value silently and announces it on release.
#include <string>

#include "panel/pages/page.h"

namespace skin {
class CStaticTrans;
}

namespace panel {

// "Stage 3\n1500\n1500": the stage word, the stage number 1..7, X and Y in DPI (both from the
// common value when the stage does not set them separately).
std::string stageCaption(const std::string& stageWord, int stage, const DpiStage& values);

class PerformancePage : public Page {
public:
    explicit PerformancePage(PageHost& host);

    // Pointer acceleration belongs to the desktop (a Wayland session): the acceleration group says so.
    void setDesktopPointer(bool desktop);

    void refresh(const PanelModel& model) override;
    bool command(const layout::Control& control) override;
    void setShown(bool shown) override;

protected:
    void controlsMade() override;
    bool sliderMoved(int identifier, int value, bool released) override;

private:
    // The controls show the settings.
    void show(const PanelModel& model);
    // A DPI slider's notification; one repeating the previous one of the same kind is ignored.
    bool dpiSliderMoved(bool released, int position, int identifier);

    struct Last {
        int position = -1, identifier = -1;
    };
    Last lastRelease_, lastDrag_;  // forgotten when the settings set the sliders
    bool desktopPointer_ = false;
    skin::CStaticTrans* accelerationNote_ = nullptr;  // on the acceleration group's heading line
};

}  // namespace panel
