#pragma once
// The pictures that the windows name in code rather than in skin description files: logo, badge,
// slider thumbs and bars, the colour selector's hue bar and arrows, popup menu items, and the
// application icon.
#include <QImage>
#include <QPainter>
#include <QSize>
#include <QString>

#include <functional>
#include <vector>

namespace art {

struct NamedPicture {
    QString name;   // file name under the skin folder, e.g. "logo.png"
    QSize size;     // logical size (1x)
    std::function<void(QPainter&)> paint;
};

std::vector<NamedPicture> namedPictures();

// The application icon at size x size device pixels.
QImage applicationIcon(int size);

}  // namespace art
