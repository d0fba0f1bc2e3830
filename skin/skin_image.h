#pragma once
// SkinImage: one skin picture (or an area cut from one) with the status of its loading.
//
// Sizes and cut areas are logical pixels. On a high-density screen (device pixel ratio above 1) a
// picture "name.png" is loaded from "name@2x.png" when that file exists beside it, with device
// pixel ratio 2, so its logical size stays that of the 1x picture.
#include <QImage>
#include <QString>
#include <string>

namespace skin {

struct Area {
    int x, y, width, height;
};
// A window rectangle (left, top, right, bottom) as the area (x, y, width, height) to cut.
constexpr Area rectToArea(int left, int top, int right, int bottom) { return {left, top, right - left, bottom - top}; }

class SkinImage {
public:
    enum class Status { Ok, Empty, FileNotFound, NotDecodable, NullSource };

    SkinImage() = default;
    explicit SkinImage(QImage image);

    // Loads the picture for the application's device pixel ratio (see above).
    static SkinImage load(const QString& path);
    // The same for a given device pixel ratio (the 2x file only when deviceRatio > 1).
    static SkinImage load(const QString& path, qreal deviceRatio);
    // The device pixel ratio of the application (its primary screen's), 1 without a GUI application.
    static qreal applicationRatio();

    // The logical area of this picture; a null picture, or an empty area, gives a null picture.
    SkinImage cut(int x, int y, int width, int height) const;
    SkinImage cut(const Area& area) const { return cut(area.x, area.y, area.width, area.height); }

    bool isNull() const { return image_.isNull(); }
    Status status() const { return status_; }
    int width() const;   // logical pixels; 0 for a null picture
    int height() const;
    qreal devicePixelRatio() const { return image_.isNull() ? 1.0 : image_.devicePixelRatio(); }
    const QImage& image() const { return image_; }

private:
    QImage image_;
    Status status_ = Status::Empty;
};

struct SkinDescription;

// The four pictures of a skinned window's states, from which its controls cut theirs: normal,
// hover, pressed, disabled.
struct StatePictures {
    SkinImage normal, over, down, disabled;

    // The pictures a skin description names, from programFolder/skins/. A window without a pressed
    // or disabled picture uses its hover and normal pictures for those states.
    static StatePictures load(const std::string& programFolder, const SkinDescription& description);
    // The same beside a normal picture already loaded.
    static StatePictures load(const std::string& programFolder, const SkinDescription& description,
                              SkinImage normal);
};

}  // namespace skin
