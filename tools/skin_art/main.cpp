// skin_art OUTDIR: paints every picture of the configuration window into OUTDIR from the
// window's rectangle tables: for each window its normal, hover, pressed and disabled pictures,
// the pictures the windows name in code, each at 1x ("name.png") and 2x ("name@2x.png"), and the
// application icon under "icons/hicolor/SIZExSIZE/apps/". Runs without a display.
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "panel/layout/dialog_layout.h"
#include "panel/layout/window_layout.h"
#include "tools/skin_art/art_style.h"
#include "tools/skin_art/dialog_art.h"
#include "tools/skin_art/named_art.h"
#include "tools/skin_art/window_art.h"

namespace {

// "name.png" at scale 2 becomes "name@2x.png".
QString scaledName(const QString& name, int scale) {
    if (scale == 1) return name;
    const int dot = name.lastIndexOf('.');
    return name.left(dot) + QString("@%1x").arg(scale) + name.mid(dot);
}

bool write(const QImage& image, const QString& path) {
    const bool jpeg = path.endsWith(".jpg");
    if (!QDir().mkpath(QFileInfo(path).path())) return false;
    const bool ok = jpeg ? image.convertToFormat(QImage::Format_RGB32).save(path, "JPG", 95) : image.save(path, "PNG");
    if (!ok) std::fprintf(stderr, "skin_art: cannot write %s\n", qPrintable(path));
    return ok;
}

// Paints one picture at 1x and 2x: the same drawing through a scaled painter.
bool paintBoth(const QString& folder, const QString& name, QSize size, const std::function<void(QPainter&)>& paint) {
    for (int scale : {1, 2}) {
        QImage image(size * scale, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter p(&image);
            p.scale(scale, scale);
            paint(p);
        }
        if (!write(image, folder + "/" + scaledName(name, scale))) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: skin_art OUTDIR\n");
        return 2;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    const QString out = QString::fromLocal8Bit(argv[1]);

    std::vector<const layout::Window*> windows = {&layout::mainFrame(), &layout::buttonPage(), &layout::macroPage(),
                                                  &layout::lightingPage(), &layout::dpiPage()};
    const size_t mainWindows = windows.size();
    for (const layout::Window* dialog : layout::dialogWindows()) windows.push_back(dialog);
    for (size_t w = 0; w < windows.size(); ++w) {
        const layout::Window* window = windows[w];
        const bool dialog = w >= mainWindows;
        const std::pair<const char*, art::State> pictures[] = {
            {window->mainImage, art::State::Normal},
            {window->overImage, art::State::Over},
            {window->downImage, art::State::Down},
            {window->disabledImage, art::State::Disabled},
        };
        for (const auto& [name, state] : pictures) {
            if (!*name) continue;
            const art::State s = state;
            if (!paintBoth(out, name, QSize(window->width, window->height),
                           [window, s, dialog](QPainter& p) {
                               if (dialog) art::paintDialog(p, *window, s);
                               else art::paintWindow(p, *window, s);
                           }))
                return 1;
        }
    }
    for (const art::NamedPicture& picture : art::namedPictures())
        if (!paintBoth(out, picture.name, picture.size, picture.paint)) return 1;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        if (!write(art::applicationIcon(size), QString("%1/icons/hicolor/%2x%2/apps/korvante.png").arg(out).arg(size)))
            return 1;
    return 0;
}
