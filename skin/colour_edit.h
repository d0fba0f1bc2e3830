#pragma once
// CClrEdit: an edit field with its own text and background colours (COLORREF) and font. Every key
// release posts message 5122 (wParam = the key's virtual-key code, lParam = 0) to its notify target:
// the nearest SkinnedWindow above it unless one is set.
#include <QLineEdit>
#include <cstdint>

#include "skin/skin_style.h"

namespace skin {

class SkinnedWindow;

inline constexpr uint32_t kEditKeyReleased = 5122;  // 0x1402

class CClrEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CClrEdit(QWidget* parent = nullptr);

    void setTextColor(uint32_t colorRef);
    void setBackgroundColor(uint32_t colorRef);
    void setFontHeight(int pixels);
    void setFontWeight(int weight);
    void setNotifyTarget(SkinnedWindow* target) { target_ = target; }
    void setIdentifier(int id) { identifier_ = id; }
    int identifier() const { return identifier_; }

    // The virtual-key code of a Qt key (letters, digits, editing and cursor keys); 0 for others.
    static int virtualKeyOf(int qtKey);

protected:
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void applyLook();

    SkinnedWindow* target_ = nullptr;
    int identifier_ = 0;
    uint32_t textColor_ = colour::kAccent;
    uint32_t background_ = 0;
    int fontHeight_ = 13;
    int weight_ = 500;
};

}  // namespace skin
