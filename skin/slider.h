#pragma once
// CPngHSliderBar: a horizontal picture slider, the track window with one thumb (CPngHSlider).
//
// Messages to the parent window (wParam = value, lParam = identifier):
// - while the thumb is dragged, every move: 1095 (value, id);
// - thumb released: 1094 (value, id), then 1094 (value, id + 255);
// - left button pressed on the track: the thumb moves there, 1094 (value, id);
// - left button released on the track: the thumb moves there, 1094 (value, id), then 1094
//   (value, id + 255);
// - keys (the track takes the focus by Tab or a click): Left/Down and Right/Up one value, Page Down
//   and Page Up ten, Home and End to the ends, each posted as a release.
// Value and position follow slider_math.h. The track draws its picture stretched over itself, then
// the fill picture from its left edge to one pixel past the thumb's left edge; the thumb draws its
// disabled picture while the track is disabled (when it has one).
#include <QRect>
#include <QWidget>

#include "skin/skin_image.h"

namespace skin {

class SkinnedWindow;
class CPngHSliderBar;

inline constexpr uint32_t kSliderReleased = 1094;  // 0x446
inline constexpr uint32_t kSliderDragged = 1095;   // 0x447
inline constexpr int kSliderFinalOffset = 255;     // the second release message's identifier offset
inline constexpr int kPageStep = 10;               // values moved by Page Up and Page Down

class CPngHSlider : public QWidget {
    Q_OBJECT
public:
    CPngHSlider(CPngHSliderBar* track, SkinImage picture, SkinImage disabledPicture);

    bool dragging() const { return dragging_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    CPngHSliderBar* track_;
    SkinImage picture_, disabledPicture_;
    bool dragging_ = false;
    int grabX_ = 0;
};

class CPngHSliderBar : public QWidget {
    Q_OBJECT
public:
    explicit CPngHSliderBar(QWidget* parent = nullptr);

    // Places the track at trackRect inside parent (which receives the messages) and makes its thumb
    // at value 0. The thumb pictures are loaded from files; a missing picture draws nothing.
    bool create(const SkinImage& track, const QString& thumbPath, const QString& disabledThumbPath,
                const QRect& trackRect, SkinnedWindow* parent, int identifier, const SkinImage& fill = {});
    bool create(const QString& trackPath, const QString& thumbPath, const QString& disabledThumbPath,
                const QRect& trackRect, SkinnedWindow* parent, int identifier, const QString& fillPath = {});
    // The same with pictures already loaded.
    bool create(const SkinImage& track, const SkinImage& thumb, const SkinImage& disabledThumb,
                const QRect& trackRect, SkinnedWindow* parent, int identifier, const SkinImage& fill);

    void setRange(int minimum, int maximum);
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    // Moves the thumb and repaints; a value outside the range becomes the minimum.
    void setValue(int value);
    int value() const { return value_; }
    int identifier() const { return identifier_; }
    // The user chose a value (keys, assistive tools): moved there and posted as a release.
    void choose(int value);
    CPngHSlider* thumb() const { return thumb_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class CPngHSlider;
    int thumbWidth() const;
    int valueAt(int x) const;
    void placeThumb();
    void thumbDragged(int x);
    void thumbReleased();
    void post(uint32_t message, int identifier);
    void valueShown();

    SkinnedWindow* target_ = nullptr;
    CPngHSlider* thumb_ = nullptr;
    SkinImage track_, fill_;
    int identifier_ = 0;
    int minimum_ = 0, maximum_ = 10, value_ = 0;
    int announced_ = 0;  // the value assistive tools were last told
};

}  // namespace skin
