#pragma once
// PerformancePage: the DPI stages with one slider for both axes or one for each, pointer
// acceleration, report rate, double-click speed, wheel lines, angle snapping and lift distance. The
// rules of each change (the values the mouse keeps, the request the service needs) are the settings
// rules'; the page stores a dragged slider's value silently and announces it on release.
#include <memory>
#include <string>

#include "panel/pages/page.h"

class QObject;

namespace skin {
class CClrEdit;
class CStaticTrans;
}

namespace panel {

// The stage word and number 1..7, then the resolution: "Stage 3\n1500 DPI", or with separate axes
// "Stage 3\n400 / 800\nX / Y DPI".
std::string stageCaption(const std::string& stageWord, int stage, const DpiStage& values);

class PerformancePage : public Page {
public:
    explicit PerformancePage(PageHost& host);

    // Pointer acceleration belongs to the desktop (a Wayland session): the acceleration group says so.
    void setDesktopPointer(bool desktop);

    void refresh(const PanelModel& model) override;
    bool command(const layout::Control& control) override;
    void setShown(bool shown) override;

    // The number field that takes a typed DPI value (shown over an axis' value while it is open).
    skin::CClrEdit* dpiEntry() const { return entry_; }
    // The DPI value shown right of an axis' slider (settingsrules::kAxisCommon, kAxisX, kAxisY).
    skin::CStaticTrans* axisValue(int axis) const { return axes_[axis].value; }

protected:
    void controlsMade() override;
    bool sliderMoved(int identifier, int value, bool released) override;

private:
    // The controls show the settings.
    void show(const PanelModel& model);
    // A DPI slider's notification: stored, and saved and announced on release.
    bool dpiSliderMoved(bool released, int position, int identifier);
    // Typing a DPI value: the field opens over the axis' value; Enter or leaving it stores the
    // value snapped to the mouse's steps, Escape closes it unchanged.
    void openEntry(int axis);
    void closeEntry(bool store);

    bool dragStored_ = false;  // a drag stored a value its release has not saved yet
    // Per axis: its slider's label ("X / Y", "X", "Y") and its value in DPI.
    struct Axis {
        skin::CStaticTrans* label = nullptr;
        skin::CStaticTrans* value = nullptr;
    };
    Axis axes_[3];
    skin::CClrEdit* entry_ = nullptr;
    int entryAxis_ = -1;  // the axis the open field types, -1 while closed
    std::unique_ptr<QObject> doubleClicks_;
    bool desktopPointer_ = false;
    skin::CStaticTrans* accelerationNote_ = nullptr;  // on the acceleration group's heading line
};

}  // namespace panel
