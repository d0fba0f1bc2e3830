#pragma once
// CProgramDlg: the program of a profile. Lists the programs running now (name and path, from
// /proc), with the profile's present program selected (and listed first when it is not running);
// Browse picks any executable file instead (through the prompts' file chooser). OK (Enter, a double
// click) ends with kDialogOk and the chosen path in program(); Cancel leaves program() empty. Where the session cannot tell which
// program has the focus (Wayland), the prompt says so plainly and only Cancel is left. Skin
// "skins/skin_program.ini".
#include <QString>

#include "panel/dialogs/skin_dialog.h"

class QListWidget;

namespace dialogs {

class CProgramDlg : public CSkinDialog {
    Q_OBJECT
public:
    // `available` false: this session has no focus to follow (the Wayland note, Cancel only).
    CProgramDlg(const DialogContext& context, int profile, const QString& current, bool available,
                QWidget* parent = nullptr);

    QString program() const { return program_; }
    QListWidget* list() const { return list_; }

    void accept() override;

private:
    void browse();

    QListWidget* list_ = nullptr;
    QString program_;
};

}  // namespace dialogs
