#include "skin/skin_image.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QScreen>
#include <cmath>
#include <optional>
#include <string>

#include "platform/atomic_file.h"
#include "platform/diagnostics.h"
#include "skin/skin_description.h"

namespace skin {

SkinImage::SkinImage(QImage image) : image_(std::move(image)), status_(image_.isNull() ? Status::Empty : Status::Ok) {}

qreal SkinImage::applicationRatio() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return 1.0;
    if (QScreen* screen = QGuiApplication::primaryScreen()) return std::max(screen->devicePixelRatio(), qGuiApp->devicePixelRatio());
    return qGuiApp->devicePixelRatio();
}

SkinImage SkinImage::load(const QString& path) { return load(path, applicationRatio()); }

SkinImage SkinImage::load(const QString& path, qreal deviceRatio) {
    SkinImage result;
    // Read through the guard of every file the programs read: a FIFO, a device or a folder in a
    // picture's place is refused at once instead of blocking the window before it appears.
    auto bytesOf = [](const QString& file) { return platform::readWholeFile(QFile::encodeName(file).toStdString()); };
    QString file = path;
    qreal ratio = 1.0;
    std::optional<std::string> bytes;
    if (deviceRatio > 1.0) {
        const QFileInfo info(path);
        const QString doubled = info.path() + "/" + info.completeBaseName() + "@2x." + info.suffix();
        if (QFileInfo::exists(doubled) && (bytes = bytesOf(doubled))) {
            file = doubled;
            ratio = 2.0;
        }
    }
    if (!bytes && !QFileInfo::exists(file)) {
        result.status_ = Status::FileNotFound;
        return result;
    }
    if (!bytes) bytes = bytesOf(file);
    QByteArray data = bytes ? QByteArray::fromRawData(bytes->data(), qsizetype(bytes->size())) : QByteArray();
    QBuffer buffer(&data);
    QImageReader reader(&buffer, QFileInfo(file).suffix().toLatin1());
    QImage image = bytes ? reader.read() : QImage();
    if (image.isNull()) {
        platform::debugPrintf("skin picture %s: %s", qPrintable(file),
                              bytes ? qPrintable(reader.errorString()) : "not a readable file");
        result.status_ = Status::NotDecodable;
        return result;
    }
    image.setDevicePixelRatio(ratio);
    result.image_ = std::move(image);
    result.status_ = Status::Ok;
    return result;
}

int SkinImage::width() const {
    return image_.isNull() ? 0 : int(std::lround(image_.width() / image_.devicePixelRatio()));
}
int SkinImage::height() const {
    return image_.isNull() ? 0 : int(std::lround(image_.height() / image_.devicePixelRatio()));
}

SkinImage SkinImage::cut(int x, int y, int width, int height) const {
    SkinImage result;
    if (image_.isNull()) {
        result.status_ = Status::NullSource;
        return result;
    }
    if (width <= 0 || height <= 0) return result;
    const qreal ratio = image_.devicePixelRatio();
    QImage part = image_.copy(int(std::lround(x * ratio)), int(std::lround(y * ratio)),
                              int(std::lround(width * ratio)), int(std::lround(height * ratio)));
    part.setDevicePixelRatio(ratio);
    result.image_ = std::move(part);
    result.status_ = result.image_.isNull() ? Status::Empty : Status::Ok;
    return result;
}

StatePictures StatePictures::load(const std::string& programFolder, const SkinDescription& description) {
    return load(programFolder, description,
                SkinImage::load(QString::fromStdString(skinImagePath(programFolder, description.main))));
}

StatePictures StatePictures::load(const std::string& programFolder, const SkinDescription& description,
                                  SkinImage normal) {
    auto load = [&](const std::string& name) {
        return SkinImage::load(QString::fromStdString(skinImagePath(programFolder, name)));
    };
    StatePictures p;
    p.normal = std::move(normal);
    p.over = load(description.over);
    p.down = description.down.empty() ? p.over : load(description.down);
    p.disabled = description.disabled.empty() ? p.normal : load(description.disabled);
    return p;
}

}  // namespace skin
