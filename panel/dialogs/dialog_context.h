#pragma once
// What every skinned dialog is given: where the program's files lie. A dialog holds no settings:
// the function dialogs are shown the button's record when they open and hand back a value, which
// the window's model writes (panel::PanelModel::assignFunction).
#include <string>

namespace dialogs {

// A dialog's result: QDialog::Accepted and QDialog::Rejected.
inline constexpr int kDialogOk = 1;
inline constexpr int kDialogCancel = 0;

struct DialogContext {
    std::string programFolder;  // skins/ and the pictures lie below it
    std::string stringsPath;    // the strings file ("Strings.xml")
};

}  // namespace dialogs
