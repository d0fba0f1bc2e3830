#pragma once
// CStaticTrans: a text label in the UI font with its own text colour and a background colour
// (-1 = transparent: the window's picture shows through). Colours are COLORREF values.
#include <QLabel>
#include <cstdint>

#include "skin/skin_style.h"

namespace skin {

class CStaticTrans : public QLabel {
    Q_OBJECT
public:
    explicit CStaticTrans(QWidget* parent = nullptr);

    void setTextColor(uint32_t colorRef);
    void setBackgroundColor(int64_t colorRef);  // -1: transparent
    void setFontHeight(int pixels);
    void setFontWeight(int weight);
    void setItalic(bool italic);

    uint32_t textColor() const { return textColor_; }
    int64_t backgroundColor() const { return background_; }

private:
    void applyLook();

    uint32_t textColor_ = colour::kText;
    int64_t background_ = -1;
    int fontHeight_ = 14;
    int weight_ = 400;
    bool italic_ = false;
};

}  // namespace skin
