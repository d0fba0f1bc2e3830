// The UI face of a translation: whatever face "FONT" names, or when it is not installed, the text
// is drawn with glyphs of an installed face that has them, never as empty boxes.
#if KORVANTE_SKIN_QT  // built with the Qt programs only
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QTextLayout>

#include "shared/string_table.h"
#include "skin/skin_style.h"

namespace {

// Glyph index 0 is the box a font draws for a character it lacks.
int missingGlyphs(const QString& text) {
    QTextLayout layout(text, skin::uiFont(13));
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    int missing = 0;
    for (const QGlyphRun& run : layout.glyphRuns())
        for (quint32 glyph : run.glyphIndexes()) missing += glyph == 0;
    return missing;
}

TEST(FontFallback, ChineseTextHasItsGlyphsWhicheverFaceIsNamed) {
    if (!QFontDatabase::families().contains(QStringLiteral("WenQuanYi Micro Hei")))
        GTEST_SKIP() << "no Chinese face installed (scripts/install-deps installs fonts-wqy-microhei)";
    const std::string zh = std::string(KORVANTE_SOURCE_DIR) + "/data/Strings.zh_CN.xml";
    const QString shipped = QString::fromStdString(StringTable(std::vector<std::string>{zh}).lookup("MAIN", "FONT"));
    for (const QString& face : {shipped, QStringLiteral("No Such Face"), QStringLiteral("DejaVu Sans"),
                                QStringLiteral("No Such Face, DejaVu Sans")}) {
        skin::setFontFace(face);
        EXPECT_EQ(missingGlyphs(QStringLiteral("按键设置 · 灯光已关闭")), 0) << face.toStdString();
    }
    skin::setFontFace(shipped);
    EXPECT_EQ(QFontInfo(skin::uiFont(13)).family(), QStringLiteral("WenQuanYi Micro Hei"));
    skin::setFontFace(QString());
}

}  // namespace
#endif
