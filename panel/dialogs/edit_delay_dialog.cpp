#include "panel/dialogs/edit_delay_dialog.h"

#include <QRegularExpressionValidator>

#include <algorithm>

#include "panel/layout/dialog_layout.h"
#include "skin/colour_edit.h"
#include "skin/static_trans.h"

namespace dialogs {

using layout::Role;

CEditDelay::CEditDelay(const DialogContext& context, const QString& title, int value, int maximum, QWidget* parent)
    : CSkinDialog(context, layout::singleKeyDialog(), "", parent),
      value_(std::clamp(value, 1, std::max(1, maximum))),
      maximum_(std::max(1, maximum)) {
    setTitle(title);
    addPrompt(title);
    field_ = addEdit(Role::KeyDisplay, 0, int(QString::number(maximum_).size()), title);
    field_->setGeometry(rectOf(Role::KeyDisplay).adjusted(12, 8, -12, -8));
    field_->setToolTip(text("DELAYFIELD", "TIPS"));  // the shared field's tip is the key dialog's
    field_->setTextColor(0xEEEBE9);
    field_->setFontHeight(17);
    field_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), field_));
    field_->setText(QString::number(value_));
    connect(field_, &QLineEdit::textChanged, this, [this](const QString& text) { checkText(text); });
}

void CEditDelay::checkText(const QString& text) {
    if (text.isEmpty()) return;  // being retyped: the last value stays
    bool ok = false;
    const long long typed = text.toLongLong(&ok);
    int checked = ok ? int(std::clamp<long long>(typed, 1, maximum_)) : maximum_;
    value_ = checked;
    if (!ok || typed != checked) field_->setText(QString::number(checked));
}

void CEditDelay::showEvent(QShowEvent* event) {
    CSkinDialog::showEvent(event);
    field_->setFocus();
    field_->selectAll();
}

}  // namespace dialogs
