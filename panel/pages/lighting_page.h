#pragma once
// LightingPage: the lighting effect (mode and direction menus), brightness and speed sliders, the
// speed switch, the colour and on/off. The rules of each change are LightingPageRules'.
#include "panel/lighting_page.h"
#include "panel/pages/page.h"

namespace skin {
class CStaticTrans;
}

namespace panel {

class LightingPage : public Page {
public:
    explicit LightingPage(PageHost& host);

    void refresh(const PanelModel& model) override;
    bool command(const layout::Control& control) override;
    void menuChosen(int64_t choice) override;
    bool onMessage(uint32_t message, int64_t wParam, int64_t lParam) override;

protected:
    QWidget* makeControl(const layout::Control& control) override;
    void controlsMade() override;

private:
    void openMenu(layout::Role role, const std::vector<FunctionMenuEntry>& entries);

    LightingPageRules rules_;
    skin::CStaticTrans* levelValue_ = nullptr;  // 0, 30, 60 or 100 beside the level slider
};

}  // namespace panel
