#include "skin/skin_style.h"

#include <QStringList>

#include <algorithm>

namespace skin {
namespace {
QString& faceStorage() {
    static QString face;
    return face;
}
}  // namespace

void setFontFace(const QString& face) { faceStorage() = face; }
QString fontFace() { return faceStorage(); }

QFont uiFont(int pixelHeight, int weight, bool italic) {
    QFont font;
    // The face may be a list ("WenQuanYi Micro Hei, Noto Sans CJK SC"): the first installed one is
    // used, and a glyph it lacks is taken from the next before the system's fallback fonts.
    QStringList faces;
    for (const QString& face : fontFace().split(QLatin1Char(',')))
        if (!face.trimmed().isEmpty()) faces.append(face.trimmed());
    if (!faces.isEmpty()) font.setFamilies(faces);
    font.setPixelSize(std::max(pixelHeight, 1));
    font.setWeight(QFont::Weight(std::clamp(weight, 100, 900)));
    font.setItalic(italic);
    return font;
}

QColor fromColorRef(uint32_t c) { return QColor(int(c & 0xFF), int(c >> 8 & 0xFF), int(c >> 16 & 0xFF)); }
uint32_t toColorRef(const QColor& colour) {
    return uint32_t(colour.red()) | uint32_t(colour.green()) << 8 | uint32_t(colour.blue()) << 16;
}

}  // namespace skin
