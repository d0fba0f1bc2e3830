#pragma once
// CMacroSelDlg: the macro a button plays and how (function code 6). A name button opens the list
// of macro names; three play-mode buttons, exactly one marked; OK, Cancel and close. Skin
// "skins/skin_macrosel.ini".
//
// A choice is always shown: the dialog starts at the macro and mode the button already has when it
// plays a listed macro, otherwise at the first macro and mode 0, so OK never assigns a macro the
// user did not see. On OK the dialog writes the button record: byte 1 = 6, byte 3 = the macro's
// position in the name list or-ed with 0x40 (modes 0 and 1) or 0x80 (mode 2), byte 2 = the macro
// file's "LoopTime" (default 1), byte 0 = 255 for mode 1 else the record index + 1, and the name.
// Cancel and close write nothing.
//
// The name list (CMacroNameMenu) opens under the name button, one at a time: pressing the name
// button while it is open closes it, and a press on the dialog's body closes it (and moves the
// dialog). A choice arrives as message 13332 with wParam = the position in the name list.
#include <QPointer>

#include <string>
#include <vector>

#include "panel/dialogs/skin_dialog.h"

namespace macro {
class MacroLibrary;
}

namespace dialogs {

class CMacroSelDlg : public CSkinDialog {
    Q_OBJECT
public:
    CMacroSelDlg(const DialogContext& context, const macro::MacroLibrary& library, QWidget* parent = nullptr);

    const std::string& chosenName() const { return name_; }
    int chosenIndex() const { return index_; }
    int playMode() const { return mode_; }

    skin::CBitmapBtn* nameButton() const;
    skin::CBitmapBtn* modeButton(int mode) const;
    // The open name list, nullptr when none.
    QWidget* popup() const { return popup_; }

    int64_t onMessage(uint32_t message, int64_t wParam, int64_t lParam) override;

protected:
    void accept() override;
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
