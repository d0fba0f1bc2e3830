#include "skin/colour_edit.h"

#include <QKeyEvent>

#include "skin/skinned_window.h"

namespace skin {

CClrEdit::CClrEdit(QWidget* parent) : QLineEdit(parent) {
    setFrame(false);
    applyLook();
}

void CClrEdit::setTextColor(uint32_t colorRef) {
    textColor_ = colorRef;
    applyLook();
}
void CClrEdit::setBackgroundColor(uint32_t colorRef) {
    background_ = colorRef;
    applyLook();
}
void CClrEdit::setFontHeight(int pixels) {
    fontHeight_ = pixels;
    applyLook();
}
void CClrEdit::setFontWeight(int weight) {
    weight_ = weight;
    applyLook();
}

void CClrEdit::applyLook() {
    setFont(uiFont(fontHeight_, weight_));
    QPalette p = palette();
    p.setColor(QPalette::Text, fromColorRef(textColor_));
    p.setColor(QPalette::Base, fromColorRef(background_));
    setPalette(p);
}

int CClrEdit::virtualKeyOf(int key) {
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z)) return key;  // same codes
    switch (key) {
    case Qt::Key_Backspace: return 0x08;
    case Qt::Key_Tab: return 0x09;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 0x0D;
    case Qt::Key_Escape: return 0x1B;
    case Qt::Key_Space: return 0x20;
    case Qt::Key_End: return 0x23;
    case Qt::Key_Home: return 0x24;
    case Qt::Key_Left: return 0x25;
    case Qt::Key_Up: return 0x26;
    case Qt::Key_Right: return 0x27;
    case Qt::Key_Down: return 0x28;
    case Qt::Key_Delete: return 0x2E;
    default: return 0;
    }
}

void CClrEdit::keyReleaseEvent(QKeyEvent* event) {
    QLineEdit::keyReleaseEvent(event);
    if (event->isAutoRepeat()) return;
    postTo(target_ ? target_ : SkinnedWindow::nearestSkinnedWindow(this), kEditKeyReleased, virtualKeyOf(event->key()), 0);
}

}  // namespace skin
