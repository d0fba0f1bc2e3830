#pragma once
// SkinnedWindow: the base of every skinned window. Its controls notify it with numbered messages
// (message, wParam, lParam) through one handler, onMessage(); postMessage() queues a message on
// Qt's event loop (delivered in posting order, after the current event), sendMessage() calls the
// handler at once. A control notifies the nearest SkinnedWindow among its ancestors
// (nearestSkinnedWindow()) unless it is given another target.
//
// A window with a background picture takes the picture's logical size and paints it at (0, 0);
// a missing picture gives a 0 x 0 window that paints nothing.
#include <QEvent>
#include <QWidget>
#include <cstdint>

#include "skin/skin_image.h"
#include "skin/skin_style.h"

namespace skin {

class SkinnedWindow : public QWidget {
    Q_OBJECT
public:
    explicit SkinnedWindow(QWidget* parent = nullptr, Qt::WindowFlags flags = {});

    void postMessage(uint32_t message, int64_t wParam, int64_t lParam);
    int64_t sendMessage(uint32_t message, int64_t wParam, int64_t lParam);

    virtual int64_t onMessage(uint32_t message, int64_t wParam, int64_t lParam) = 0;

    // The nearest SkinnedWindow above the widget (not the widget itself), or nullptr.
    static SkinnedWindow* nearestSkinnedWindow(const QWidget* widget);

    void setBackgroundPicture(const SkinImage& picture);
    const SkinImage& backgroundPicture() const { return background_; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    SkinImage background_;
};

// Posts to the window when there is one; nothing otherwise.
void postTo(SkinnedWindow* window, uint32_t message, int64_t wParam, int64_t lParam);
// Hands the message to the window's handler at once when there is one; nothing otherwise.
void sendTo(SkinnedWindow* window, uint32_t message, int64_t wParam, int64_t lParam);

}  // namespace skin
