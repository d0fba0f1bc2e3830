#include "skin/static_trans.h"

#include "skin/accessibility.h"
#include "skin/skin_style.h"

namespace skin {

CStaticTrans::CStaticTrans(QWidget* parent) : QLabel(parent) {
    installAccessibility();
    applyLook();
}

void CStaticTrans::setTextColor(uint32_t colorRef) {
    textColor_ = colorRef;
    applyLook();
}
void CStaticTrans::setBackgroundColor(int64_t colorRef) {
    background_ = colorRef;
    applyLook();
}
void CStaticTrans::setFontHeight(int pixels) {
    fontHeight_ = pixels;
    applyLook();
}
void CStaticTrans::setFontWeight(int weight) {
    weight_ = weight;
    applyLook();
}
void CStaticTrans::setItalic(bool italic) {
    italic_ = italic;
    applyLook();
}

void CStaticTrans::applyLook() {
    setFont(uiFont(fontHeight_, weight_, italic_));
    QPalette p = palette();
    p.setColor(QPalette::WindowText, fromColorRef(textColor_));
    const bool solid = background_ >= 0;
    if (solid) p.setColor(QPalette::Window, fromColorRef(uint32_t(background_)));
    setPalette(p);
    setAutoFillBackground(solid);
    update();
}

}  // namespace skin
