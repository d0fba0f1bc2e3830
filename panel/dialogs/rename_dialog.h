#pragma once
// CRenameProfileDlg: the name dialog. One edit field showing the caller's text, with the keyboard
// focus; OK (or Enter) copies the field's text into name() and ends with kDialogOk; Cancel, the
// close button and Esc end with kDialogCancel and leave name() as it was. Skin
// "skins/skin_singlekey.ini" (buttons "1" and "2").
#include "panel/dialogs/skin_dialog.h"

namespace dialogs {

class CRenameProfileDlg : public CSkinDialog {
    Q_OBJECT
public:
    CRenameProfileDlg(const DialogContext& context, QWidget* parent = nullptr);

    void setText(const QString& text);
    QString name() const { return name_; }
    skin::CClrEdit* field() const { return field_; }
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    skin::CClrEdit* field_ = nullptr;
    QString name_;
};

}  // namespace dialogs
