#pragma once
// COwnColorSelect: the colour selector of the lighting page.
//
// Left: the colour field (192 lines, see colour_math.h) with the chosen point marked by two small
// circles. Beside it the hue bar picture "skins/bar1.png" (x 201, y 1, 12 x 192) with the arrow
// pictures "skins/bar2.png" (x 194) and "skins/rgb_sel.png" (x 213), 7 x 5, level with the bar
// position. Right of the bar: the red, green and blue fields (ids 20483..20485, decimal) with
// up and down buttons, and the hexadecimal field (id 20486, "rrggbb", red first).
//
// A click or drag in the field takes the colour drawn there; a click or drag on the bar takes a hue
// from the hue table (the first click the bar picture's colour at its centre line). Typed input
// applies on each key release: a channel above 255 is written back as "255"; six hexadecimal digits
// set red, green and blue. The hue bar and the field's marker follow every colour set, typed or
// stepped. Every change is reported to the parent window as message
// 1303 (wParam = COLORREF, lParam = 0); while the mouse drags, at most about four reports a second
// go out, and the colour at the release is always reported.
#include <QImage>
#include <QTimer>

#include "skin/bitmap_button.h"
#include "skin/colour_edit.h"
#include "skin/skin_image.h"
#include "skin/skinned_window.h"

namespace skin {

inline constexpr uint32_t kColourChanged = 1303;  // 0x517
inline constexpr int kRedFieldId = 20483, kGreenFieldId = 20484, kBlueFieldId = 20485, kHexFieldId = 20486;

class COwnColorSelect : public SkinnedWindow {
    Q_OBJECT
public:
    // Pictures are loaded from programFolder/skins/; missing ones are not drawn.
    explicit COwnColorSelect(const std::string& programFolder, QWidget* parent = nullptr);
    // Places it inside its parent at rect (its own content is laid out from the top left).
    void create(const QRect& rect);

    // Sets the colour (COLORREF) without reporting it.
    void setColor(uint32_t colorRef);
    uint32_t color() const { return colour_; }

    CClrEdit* field(int id) const;                    // 20483..20486
    CBitmapBtn* stepButton(int channel, bool up) const;  // channel 0 red, 1 green, 2 blue
    QPoint marker() const { return marker_; }
    int barPosition() const { return barY_; }
    // The colour as drawn at that point of the field (0..192, 0..191).
    uint32_t fieldColourAt(int x, int y) const;

    static QSize contentSize();
    int64_t onMessage(uint32_t message, int64_t wParam, int64_t lParam) override;

    static constexpr int kReportIntervalMs = 250;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    enum class Drag { None, Field, Bar };
    void renderField();
    void pickField(QPoint p);
    void pickBar(int y, bool fromPicture);
    void writeFields(bool includeHex);
    void applyTypedInput();
    void follow();
    void dragChanged();
    void report();

    SkinImage bar_, arrowLeft_, arrowRight_;
    QImage field_;
    uint32_t colour_ = 0x0000FF;
    uint32_t hue_ = 0x0000FF;
    QPoint marker_{190, 1};
    int barY_ = 2;
    Drag drag_ = Drag::None;
    bool reportPending_ = false;
    QTimer reportTimer_;
    CClrEdit* fields_[4] = {};
    CBitmapBtn* steps_[3][2] = {};
};

}  // namespace skin
