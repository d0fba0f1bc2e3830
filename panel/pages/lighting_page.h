#pragma once
// LightingPage: the lighting effect (mode and direction menus), brightness and speed sliders, the
// speed switch, the colour and on/off. The rules of each change are the settings rules'; a dragged
// slider's value is stored silently and announced on release.
#include "panel/function_menu.h"
#include "panel/pages/page.h"

namespace skin {
class CStaticTrans;
}

namespace panel {

// Item numbers of the mode menu ("LEDMODE1".."5": 40005..40009) and of the direction menu
// ("LEDMODEDIR1".."4": 40011..40014; a mode offers its own two).
inline constexpr int kFirstModeItem = 40005;
inline constexpr int kFirstDirectionItem = 40011;
std::vector<FunctionMenuEntry> modeMenu();
std::vector<FunctionMenuEntry> directionMenu(int mode);

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
    bool sliderMoved(int identifier, int value, bool released) override;

private:
    void openMenu(layout::Role role, const std::vector<FunctionMenuEntry>& entries);

    skin::CStaticTrans* levelValue_ = nullptr;  // 0, 30, 60 or 100 beside the level slider
};

}  // namespace panel
