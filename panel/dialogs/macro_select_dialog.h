#pragma once
// CMacroSelDlg: the macro a button plays and how (function code 6). A name button opens the list
// of macro names; three play-mode buttons, exactly one marked; OK, Cancel and close. Skin
// "skins/skin_macrosel.ini".
//
// A choice is always shown: the dialog starts at the macro and mode the button already has when it
// plays a listed macro, otherwise at the first macro and mode 0, so OK never assigns a macro the
// user did not see. After OK, value() is the choice the assignment step stores: the macro's name
// and position in the name list, the play mode and the macro file's "LoopTime" (default 1).
//
// The name list (CMacroNameMenu) opens under the name button, one at a time: pressing the name
// button while it is open closes it, and a press on the dialog's body closes it (and moves the
// dialog). A choice arrives as message 13332 with wParam = the position in the name list.
#include <QPointer>

#include <string>
#include <vector>

#include "panel/dialogs/skin_dialog.h"
#include "shared/button_assignment.h"
#include "shared/settings_record.h"

namespace macro {
class MacroLibrary;
}

namespace dialogs {

class CMacroSelDlg : public CSkinDialog {
    Q_OBJECT
public:
    CMacroSelDlg(const DialogContext& context, const macro::MacroLibrary& library, const ButtonRecord& current,
                 QWidget* parent = nullptr);

    assignment::MacroChoice value() const;
    const std::string& chosenName() const { return name_; }
    int chosenIndex() const { return index_; }
    int playMode() const { return mode_; }

    skin::CBitmapBtn* nameButton() const;
    skin::CBitmapBtn* modeButton(int mode) const;
    // The open name list, nullptr when none.
    QWidget* popup() const { return popup_; }

    int64_t onMessage(uint32_t message, int64_t wParam, int64_t lParam) override;
    void accept() override;

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void choose(int index);
    void setMode(int mode);
    void toggleNameList();
    void closeNameList();

    const macro::MacroLibrary& library_;
    std::vector<std::string> names_;
    std::string name_;
    int index_ = 0;
    int mode_ = 0;
    QPointer<QWidget> popup_;
};

}  // namespace dialogs
