#include "skin/colour_select.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <algorithm>

#include "skin/colour_math.h"
#include "skin/static_trans.h"
#include "skin/skin_description.h"

namespace skin {
namespace {

constexpr int kBarX = 201, kBarY = 1, kBarWidth = 12, kBarHeight = 192;
constexpr int kArrowLeftX = 194, kArrowRightX = 213, kArrowWidth = 7, kArrowHeight = 5;
constexpr int kBarPickX = 205;
// The channel fields right of the hue bar, each with its letter before it and its down and up
// buttons after it; the hexadecimal field spans the row below.
constexpr int kLabelX = 248, kLabelWidth = 18;
constexpr int kFieldsX = 270, kFirstRowY = 4, kRowHeight = 44, kEditWidth = 56, kEditHeight = 28;
constexpr int kStepWidth = 26, kStepGap = 4;
constexpr int kContentWidth = kFieldsX + kEditWidth + 2 * (kStepGap + kStepWidth);

// The step buttons' pictures: a small rounded key, its border gold under the pointer and its face
// gold while pressed. Drawn at twice the size so they stay sharp on high-density screens.
const QColor kStepBorder(0x3C, 0x40, 0x48);
const QColor kStepFace(0x1E, 0x21, 0x26);
const QColor kStepFacePressed(0x4A, 0x40, 0x10);

SkinImage stepPicture(CBitmapBtn::Visual visual) {
    QImage image(QSize(kStepWidth, kEditHeight) * 2, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const bool over = visual == CBitmapBtn::Visual::Hover, down = visual == CBitmapBtn::Visual::Pressed;
    p.setPen(QPen(over || down ? fromColorRef(colour::kAccent) : kStepBorder, 1));
    p.setBrush(down ? kStepFacePressed : kStepFace);
    p.drawRoundedRect(QRectF(0.5, 0.5, kStepWidth - 1, kEditHeight - 1), 4, 4);
    p.end();
    return SkinImage(image);
}

bool inField(QPoint p) { return p.x() >= 0 && p.x() <= 190 && p.y() >= 1 && p.y() <= 191; }
bool onBar(QPoint p) { return p.x() >= 196 && p.x() <= 218 && p.y() >= 2 && p.y() <= 192; }

}  // namespace

COwnColorSelect::COwnColorSelect(const std::string& programFolder, QWidget* parent) : SkinnedWindow(parent) {
    auto picture = [&](const char* name) { return SkinImage::load(QString::fromStdString(skinImagePath(programFolder, name))); };
    bar_ = picture("bar1.png");
    arrowLeft_ = picture("bar2.png");
    arrowRight_ = picture("rgb_sel.png");
    setAccessibleName(tr("Colour selector"));
    setFocusPolicy(Qt::NoFocus);

    const char* channelNames[3] = {"Red", "Green", "Blue"};
    for (int i = 0; i < 4; ++i) {
        auto* edit = new CClrEdit(this);
        edit->setIdentifier(kRedFieldId + i);
        edit->setNotifyTarget(this);
        edit->setMaxLength(i < 3 ? 3 : 6);
        edit->setValidator(new QRegularExpressionValidator(
            QRegularExpression(i < 3 ? "[0-9]{0,3}" : "[0-9a-fA-F]{0,6}"), edit));
        const int y = kFirstRowY + i * kRowHeight;
        edit->setGeometry(kFieldsX, y, i < 3 ? kEditWidth : kContentWidth - kFieldsX, kEditHeight);
        edit->setAlignment(Qt::AlignCenter);
        edit->setAccessibleName(i < 3 ? tr(channelNames[i]) : tr("Hexadecimal colour"));
        fields_[i] = edit;
        auto* letter = new CStaticTrans(this);
        letter->setText(i < 3 ? QString(QChar(channelNames[i][0])) : QStringLiteral("#"));
        letter->setTextColor(colour::kLetter);
        letter->setFontHeight(13);
        letter->setGeometry(kLabelX, y, kLabelWidth, kEditHeight);
    }
    const SkinImage normal = stepPicture(CBitmapBtn::Visual::Normal);
    const SkinImage over = stepPicture(CBitmapBtn::Visual::Hover);
    const SkinImage down = stepPicture(CBitmapBtn::Visual::Pressed);
    for (int c = 0; c < 3; ++c) {
        for (int up = 0; up < 2; ++up) {
            auto* button = new CBitmapBtn(this);
            const int x = kFieldsX + kEditWidth + kStepGap + (up ? kStepGap + kStepWidth : 0);
            button->setGeometry(x, kFirstRowY + c * kRowHeight, kStepWidth, kEditHeight);
            button->setStateImages(normal, over, down, normal);
            button->setFontHeight(15);
            button->setCaption(up ? QStringLiteral("+") : QStringLiteral("\u2212"));
            button->setAccessibleName(tr(channelNames[c]) + (up ? tr(" up") : tr(" down")));
            connect(button, &CBitmapBtn::clicked, this, [this, c, up] {
                int channels[3] = {redOf(colour_), greenOf(colour_), blueOf(colour_)};
                channels[c] = stepChannel(channels[c], up);
                colour_ = makeColorRef(channels[0], channels[1], channels[2]);
                writeFields(true);
                update();
                report();
            });
            steps_[c][up] = button;
        }
    }
    reportTimer_.setSingleShot(true);
    reportTimer_.setInterval(kReportIntervalMs);
    connect(&reportTimer_, &QTimer::timeout, this, [this] {
        if (!reportPending_) return;
        report();
        if (drag_ != Drag::None) reportTimer_.start();  // keep the pace while the drag goes on
    });
    resize(contentSize());
    renderField();
    writeFields(true);
}

QSize COwnColorSelect::contentSize() { return {kContentWidth, kBarY + kBarHeight}; }

void COwnColorSelect::create(const QRect& rect) {
    setGeometry(rect);
    show();
}

CClrEdit* COwnColorSelect::field(int id) const {
    return id >= kRedFieldId && id <= kHexFieldId ? fields_[id - kRedFieldId] : nullptr;
}

CBitmapBtn* COwnColorSelect::stepButton(int channel, bool up) const {
    return channel >= 0 && channel < 3 ? steps_[channel][up ? 1 : 0] : nullptr;
}

void COwnColorSelect::setColor(uint32_t colorRef) {
    colour_ = colorRef & 0xFFFFFF;
    writeFields(true);
    update();
}

void COwnColorSelect::renderField() {
    field_ = QImage(kFieldEnd + 1, kFieldLines, QImage::Format_RGB32);
    for (int y = 0; y < kFieldLines; ++y) {
        auto* line = reinterpret_cast<QRgb*>(field_.scanLine(y));
        for (int x = 0; x <= kFieldEnd; ++x) line[x] = fromColorRef(fieldColour(hue_, x, y)).rgb();
    }
}

uint32_t COwnColorSelect::fieldColourAt(int x, int y) const {
    x = std::clamp(x, 0, field_.width() - 1);
    y = std::clamp(y, 0, field_.height() - 1);
    return toColorRef(QColor(field_.pixel(x, y)));
}

void COwnColorSelect::writeFields(bool includeHex) {
    const int channels[3] = {redOf(colour_), greenOf(colour_), blueOf(colour_)};
    for (int i = 0; i < 3; ++i) fields_[i]->setText(QString::number(channels[i]));
    if (includeHex) fields_[3]->setText(QString::fromStdString(hexText(colour_)));
}

void COwnColorSelect::report() {
    reportPending_ = false;
    postTo(nearestSkinnedWindow(this), kColourChanged, colour_, 0);
}

void COwnColorSelect::dragChanged() {
    // The first change of a burst goes out at once, later ones at most once per interval.
    if (reportTimer_.isActive()) {
        reportPending_ = true;
        return;
    }
    report();
    reportTimer_.start();
}

void COwnColorSelect::pickField(QPoint p) {
    p.setX(std::clamp(p.x(), 0, 190));
    p.setY(std::clamp(p.y(), 1, 191));
    marker_ = p;
    colour_ = fieldColourAt(p.x(), p.y());
    writeFields(true);
    update();
}

void COwnColorSelect::pickBar(int y, bool fromPicture) {
    barY_ = std::clamp(y, 2, 191);
    uint32_t hue = hueEntry(barY_ - 1);
    if (fromPicture && !bar_.isNull()) {
        const QImage& image = bar_.image();
        // The picture is drawn stretched over the bar: map the bar point into its pixels.
        const int px = int((kBarPickX - kBarX + 0.5) * image.width() / kBarWidth);
        const int py = int((barY_ - kBarY + 0.5) * image.height() / kBarHeight);
        hue = toColorRef(QColor(image.pixel(std::clamp(px, 0, image.width() - 1), std::clamp(py, 0, image.height() - 1))));
    }
    hue_ = hue;
    colour_ = hue;
    renderField();
    writeFields(true);
    update();
}

void COwnColorSelect::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint p = event->position().toPoint();
    if (inField(p)) {
        drag_ = Drag::Field;
        pickField(p);
    } else if (onBar(p)) {
        drag_ = Drag::Bar;
        pickBar(p.y(), true);
    } else {
        return;
    }
    dragChanged();
}

void COwnColorSelect::mouseMoveEvent(QMouseEvent* event) {
    if (drag_ == Drag::None) return;
    const QPoint p = event->position().toPoint();
    const uint32_t before = colour_;
    if (drag_ == Drag::Field) pickField(p);
    else pickBar(p.y(), false);
    if (colour_ != before) dragChanged();
}

void COwnColorSelect::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || drag_ == Drag::None) return;
    drag_ = Drag::None;
    reportTimer_.stop();
    report();
}

void COwnColorSelect::applyTypedInput() {
    int channels[3] = {redOf(colour_), greenOf(colour_), blueOf(colour_)};
    const uint32_t before = colour_;
    for (int i = 0; i < 3; ++i) {
        bool overflowed = false;
        const int typed = parseChannelText(fields_[i]->text().toStdString(), &overflowed);
        if (overflowed) fields_[i]->setText("255");
        if (typed != channels[i] && !fields_[i]->text().isEmpty()) {
            channels[i] = typed;
            colour_ = makeColorRef(channels[0], channels[1], channels[2]);
            fields_[3]->setText(QString::fromStdString(hexText(colour_)));
        }
    }
    if (colour_ == before) {
        const uint32_t typed = parseHexText(fields_[3]->text().toStdString());
        if (typed != colour_ && !fields_[3]->text().isEmpty()) {
            colour_ = typed;
            writeFields(false);  // the channels in decimal; the hexadecimal text stays as typed
        }
    }
    if (colour_ == before) return;
    update();
    report();
}

int64_t COwnColorSelect::onMessage(uint32_t message, int64_t, int64_t) {
    if (message == kEditKeyReleased) applyTypedInput();
    return 0;
}

void COwnColorSelect::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, field_);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!bar_.isNull()) painter.drawImage(QRectF(kBarX, kBarY, kBarWidth, kBarHeight), bar_.image());
    const int arrowY = barY_ - kArrowHeight / 2;
    if (!arrowLeft_.isNull()) painter.drawImage(QRectF(kArrowLeftX, arrowY, kArrowWidth, kArrowHeight), arrowLeft_.image());
    if (!arrowRight_.isNull()) painter.drawImage(QRectF(kArrowRightX, arrowY, kArrowWidth, kArrowHeight), arrowRight_.image());
    // The marker: a black circle two pixels wide under a white one, 5 x 5 around the point.
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    const QRectF circle(marker_.x() - 2.5, marker_.y() - 2.5, 5, 5);
    painter.setPen(QPen(Qt::black, 2));
    painter.drawEllipse(circle);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawEllipse(circle);
}

}  // namespace skin
