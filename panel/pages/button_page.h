#pragma once
// ButtonPage: the five profiles and the functions of the mouse's nine buttons. A label opens its
// button's function menu; a chosen function (with its dialog where it has parameters) goes into the
// current profile's button record, which is saved before the service hears of it (1299). A
// profile's right click (or the menu key) opens its program menu: the program whose focus makes
// the profile current, chosen from the running programs or cleared.
#include "panel/pages/page.h"

namespace panel {

class ButtonPage : public Page {
public:
    explicit ButtonPage(PageHost& host);

    void refresh(const PanelModel& model) override;
    bool command(const layout::Control& control) override;
    void menuChosen(int64_t choice) override;

protected:
    void controlsMade() override;

private:
    void openFunctionMenu(int button);
    void assignFunction(int64_t lParam);
    void openProgramMenu(int profile);
    void chooseProgram(int profile, int action);
    void refreshProgramTips(const PanelModel& model);

    int selectedButton_ = -1;      // the button whose function menu is open (-1: none)
    int menuProfile_ = 0;          // the profile whose button the open function menu assigns
    int programMenuProfile_ = -1;  // the profile whose program menu is open (-1: none)
};

}  // namespace panel
