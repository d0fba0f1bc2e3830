#include "panel/dialogs/rename_dialog.h"

#include "panel/layout/dialog_layout.h"
#include "shared/settings_record.h"
#include "skin/colour_edit.h"
#include "skin/static_trans.h"

namespace dialogs {

using layout::Role;

CRenameProfileDlg::CRenameProfileDlg(const DialogContext& context, QWidget* parent)
    : CSkinDialog(context, layout::singleKeyDialog(), "DLGRENAME", parent) {
    skin::CStaticTrans* prompt = addPrompt(text("NAMEPROMPT"));
    // Names end up in a record's 260-unit text with its terminator.
    field_ = addEdit(Role::KeyDisplay, 0, kNameLength - 1, prompt->text());
    field_->setGeometry(rectOf(Role::KeyDisplay).adjusted(12, 8, -12, -8));
    field_->setToolTip(text("NAMEFIELD", "TIPS"));  // the shared field's tip is the key dialog's
    field_->setTextColor(0xEEEBE9);
    field_->setFontHeight(17);
    field_->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
}

void CRenameProfileDlg::setText(const QString& text) { field_->setText(text); }

void CRenameProfileDlg::accept() {
    name_ = field_->text();
    CSkinDialog::accept();
}

void CRenameProfileDlg::showEvent(QShowEvent* event) {
    CSkinDialog::showEvent(event);
    field_->setFocus();
    field_->selectAll();
}

}  // namespace dialogs
