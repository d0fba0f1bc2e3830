#include "panel/dialogs/key_dialog.h"

#include <QKeyEvent>
#include <QLineEdit>

#include "panel/dialogs/key_events.h"
#include "panel/dialogs/macro_display.h"
#include "panel/layout/dialog_layout.h"
#include "skin/bitmap_button.h"
#include "skin/static_trans.h"

namespace dialogs {

using layout::Role;

CBaseKeyPressDlg::CBaseKeyPressDlg(const DialogContext& context, const layout::Window& window, const char* titleKey,
                                   QWidget* parent, bool singleKey)
    : CSkinDialog(context, window, titleKey, parent), capture_(singleKey) {}

bool CBaseKeyPressDlg::filterKey(QKeyEvent* event) {
    const KeyMessage m = keyMessageOf(*event);
    if (m.virtualKey == 0) return false;
    if (event->type() == QEvent::KeyRelease) {
        // The window system's auto-repeat sends a release before every repeated press.
        if (event->isAutoRepeat()) return false;
        if (routeKeyUp(m.virtualKey) != KeyRoute::Pass) captureKey(m.virtualKey, m.flags, true);
        return false;
    }
    const KeyRoute route = routeKeyDown(m.virtualKey, m.flags);
    if (route == KeyRoute::CaptureAndPass || route == KeyRoute::CaptureAndEat) captureKey(m.virtualKey, m.flags, false);
    return route == KeyRoute::CaptureAndEat || route == KeyRoute::Eat;
}

CKeyExDlg::CKeyExDlg(const DialogContext& context, const ButtonRecord& current, QWidget* parent)
    : CBaseKeyPressDlg(context, layout::singleKeyDialog(), "DLGKEY", parent, true) {
    addPrompt(text("KEYPROMPT"));

    display_ = new CMorvikMacroDisplay(surface());
    display_->setGeometry(rectOf(Role::KeyDisplay).adjusted(12, 4, -12, -4));
    display_->setAccessibleName(text("KEYDISPLAY"));
    place(Role::KeyDisplay, 0, display_);

    capture_.open(current);
    showKeys(!capture_.entries().empty());
}

QString CKeyExDlg::keyText() const { return display_->text(); }

void CKeyExDlg::showKeys(bool highlight) {
    display_->setText(QString::fromStdString(capture_.displayText()));
    display_->setHighlight(highlight);
    if (skin::CBitmapBtn* ok = button(Role::DialogOk)) ok->setEnabled(!capture_.entries().empty());
}

void CKeyExDlg::captureKey(uint32_t virtualKey, uint32_t flags, bool released) {
    // The keys reaching the dialog go to its focus widget.
    if (qobject_cast<QLineEdit*>(focusWidget()) != nullptr) return;
    if (capture_.capture(virtualKey, flags, released)) showKeys(false);
}

void CKeyExDlg::accept() {
    if (capture_.entries().empty()) return;  // OK stays disabled until a key is captured
    CBaseKeyPressDlg::accept();
}

void CKeyExDlg::showEvent(QShowEvent* event) {
    CBaseKeyPressDlg::showEvent(event);
    display_->setFocus();
}

}  // namespace dialogs
