#pragma once
// CEditDelay: the number dialog of the macro page (a delay in ms, or a move's distance). One digits-
// only edit field with the current value and the keyboard focus; OK (or Enter) ends with kDialogOk,
// Cancel, the close button and Esc with kDialogCancel. Skin "skins/skin_singlekey.ini".
//
// While the text changes, a value of 0 is replaced by "1" and one above the maximum by the
// maximum; value() is the last value checked (an emptied field keeps the value before it).
#include "panel/dialogs/skin_dialog.h"

namespace dialogs {

class CEditDelay : public CSkinDialog {
    Q_OBJECT
public:
    CEditDelay(const DialogContext& context, const QString& title, int value, int maximum, QWidget* parent = nullptr);

    int value() const { return value_; }
    skin::CClrEdit* field() const { return field_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void checkText(const QString& text);

    skin::CClrEdit* field_ = nullptr;
    int value_;
    int maximum_;
};

}  // namespace dialogs
