#pragma once
// CBitmapBtn: a push button drawn from four state pictures (normal, hover, pressed, disabled) cut
// from the window's skin pictures, with a caption in the UI font.
//
// Which picture and caption colour are shown:
// - toggle mode: checked and disabled -> disabled; checked -> pressed; not checked and enabled ->
//   normal; not checked and disabled -> disabled;
// - otherwise (never checked): held down -> pressed; under the mouse -> hover; enabled -> normal;
//   disabled -> disabled.
// The picture is stretched over the whole button. The caption is placed at the centre, rotated for
// orientations 2 (90 degrees, reading upwards) and 3 (270 degrees, reading downwards), or at a
// fixed x offset; a text layout mode instead lays the text out in the button's rectangle.
//
// Toggle mode is Qt's checkable state: the button keeps QAbstractButton's checked state, which
// setChecked() sets without a notification. Clicks emit clicked(); in toggle mode a click first
// flips the checked state. Keyboard: Tab focus
// (shown by a thin gold outline), Space and Enter click. The accessible name is the caption unless
// the window sets another one.
#include <QAbstractButton>
#include <cstdint>

#include "skin/skin_image.h"
#include "skin/skin_style.h"

namespace skin {

class CBitmapBtn : public QAbstractButton {
    Q_OBJECT
public:
    enum TextLayout : int {
        LayoutNone = 0,
        LayoutWordBreak = 0x8114,          // top left, wrapped at word breaks
        LayoutWordBreakCentred = 0x8115,   // the same, each line centred
        LayoutSingleLineCentred = 0x8135,  // one line, centred both ways, "..." when too long
    };
    enum class Visual { Normal, Hover, Pressed, Disabled };

    explicit CBitmapBtn(QWidget* parent = nullptr);

    // Cuts the four state pictures at that logical area of the four sources.
    void setImages(int x, int y, int width, int height, const SkinImage& normal, const SkinImage& hover,
                   const SkinImage& pressed, const SkinImage& disabled);
    // Uses the four pictures as they are (for pictures already of the button's size).
    void setStateImages(const SkinImage& normal, const SkinImage& hover, const SkinImage& pressed,
                        const SkinImage& disabled);

    // Caption with x offset (0 = centred) and orientation (1 horizontal, 2 rotated 90, 3 rotated 270).
    void setCaption(const QString& text, int xOffset = 0, int orientation = 1);
    QString caption() const { return caption_; }
    void setFontHeight(int pixels);
    void setToggleMode(bool on) { setCheckable(on); }
    bool toggleMode() const { return isCheckable(); }
    void setTextLayout(int mode);
    // COLORREF values (red in the low byte) of the four states.
    void setCaptionColors(uint32_t normal, uint32_t hover, uint32_t pressed, uint32_t disabled);
    // Shows the hover state without the mouse (keyboard navigation of the picture menus).
    void setHighlighted(bool on);
    // A small chevron at the right edge, in the caption's colour: the item opens a submenu.
    void setSubmenuMark(bool on);

    // What paintEvent() shows now, and the colour (COLORREF) of the caption.
    Visual visual() const;
    uint32_t captionColor() const;

    // The rule above as a pure function.
    static Visual chooseVisual(bool toggleMode, bool checked, bool down, bool hover, bool enabled);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void drawCaption(QPainter& painter);

    SkinImage images_[4];
    QString caption_;
    int xOffset_ = 0;
    bool submenuMark_ = false;
    int orientation_ = 1;
    int fontHeight_ = 14;
    int textLayout_ = LayoutNone;
    uint32_t colors_[4] = {colour::kText, colour::kAccent, colour::kAccentPressed, colour::kDimmed};
    bool hover_ = false;
    bool highlighted_ = false;
    bool keyboardFocus_ = false;
};

}  // namespace skin
