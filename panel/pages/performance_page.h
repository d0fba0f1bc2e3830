#pragma once
// PerformancePage: the DPI stages with one slider for both axes or one for each, pointer
// acceleration, report rate, double-click speed, wheel lines, angle snapping and lift distance. The
// rules of each change (ranges, the message the service needs) are DpiPageRules'.
#include "panel/dpi_page.h"
#include "panel/pages/page.h"

namespace skin {
class CStaticTrans;
}

namespace panel {

class PerformancePage : public Page {
public:
    explicit PerformancePage(PageHost& host);

    // Pointer acceleration belongs to the desktop (a Wayland session): the acceleration group says so.
    void setDesktopPointer(bool desktop);

    void refresh(const PanelModel& model) override;
    bool command(const layout::Control& control) override;
    bool onMessage(uint32_t message, int64_t wParam, int64_t lParam) override;
    void setShown(bool shown) override;

protected:
    void controlsMade() override;

private:
    DpiPageRules rules_;
    bool desktopPointer_ = false;
    skin::CStaticTrans* accelerationNote_ = nullptr;  // on the acceleration group's heading line
};

}  // namespace panel
