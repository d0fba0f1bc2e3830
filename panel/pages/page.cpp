#include "panel/pages/page.h"

#include "panel/panel_model.h"
#include "shared/string_table.h"
#include "skin/bitmap_button.h"
#include "skin/skin_description.h"
#include "skin/skin_image.h"
#include "skin/slider.h"
#include "skin/static_trans.h"

namespace panel {

using layout::Look;

Page::Page(PageHost& host, int number, const layout::Window& table) : host_(host), number_(number), table_(table) {}

Page::~Page() = default;

const std::string& Page::programFolder() const { return host_.model().paths().programFolder; }

QString Page::text(const char* key, const char* section) const {
    return QString::fromStdString(host_.strings().lookup(section, key));
}

skin::CBitmapBtn* Page::button(layout::Role role, int index) const {
    return qobject_cast<skin::CBitmapBtn*>(control(role, index));
}

void Page::create() {
    if (created_) return;
    const skin::SkinDescription description = skin::loadSkinDescription(programFolder(), table_.skinFile);
    create(skin::StatePictures::load(programFolder(), description), description);
}

void Page::create(const skin::StatePictures& pictures, const skin::SkinDescription& description) {
    if (created_) return;
    created_ = true;
    background_ = pictures.normal.image();
    for (const layout::Control& c : table_.controls) {
        if (!wants(c)) continue;
        QWidget* widget = makeControl(c);
        if (widget == nullptr) widget = makeUsual(c, pictures, description);
        if (widget == nullptr) continue;
        if (c.look != Look::Plain)  // self-drawn controls place themselves
            widget->setGeometry(c.rect.left, c.rect.top, c.rect.width(), c.rect.height());
        widget->hide();
        controls_.add(&c, widget);
    }
    makeHeadings();
    controlsMade();
}

void Page::recut(const skin::StatePictures& pictures) {
    for (const auto& [place, widget] : controls_) {
        if (auto* b = qobject_cast<skin::CBitmapBtn*>(widget))
            b->setImages(place->rect.left, place->rect.top, place->rect.width(), place->rect.height(), pictures.normal,
                         pictures.over, pictures.down, pictures.disabled);
    }
}

QWidget* Page::makeUsual(const layout::Control& c, const skin::StatePictures& pictures,
                         const skin::SkinDescription& description) {
    const QString caption = QString::fromStdString(description.caption(c.id));
    switch (c.look) {
        case Look::Plain: {
            if (c.slider.identifier == 0) return nullptr;  // drawn by the window or the page itself
            auto* slider = new skin::CPngHSliderBar(&window());
            auto picture = [&](const char* name) { return QString::fromStdString(skin::skinImagePath(programFolder(), name)); };
            slider->create(picture("bar3.png"), picture("arrow1.png"), picture("arrow2.png"),
                           QRect(c.rect.left, c.rect.top, c.rect.width(), c.rect.height()), &window(),
                           c.slider.identifier, picture("bar4.png"));
            slider->setRange(c.slider.minimum, c.slider.maximum);
            return slider;
        }
        case Look::Panel: {
            auto* label = new skin::CStaticTrans(&window());
            label->setTextColor(skin::colour::kText);
            label->setFontHeight(14);
            label->setAlignment(Qt::AlignCenter);
            label->setText(caption);
            return label;
        }
        default: {
            auto* b = new skin::CBitmapBtn(&window());
            b->setImages(c.rect.left, c.rect.top, c.rect.width(), c.rect.height(), pictures.normal, pictures.over,
                         pictures.down, pictures.disabled);
            b->setCaption(caption);
            if (c.look == Look::Tile) b->setFontHeight(18);
            b->setToggleMode(c.toggles);
            if (c.nameKey != nullptr) b->setAccessibleName(text(c.nameKey));
            QObject::connect(b, &QAbstractButton::clicked, b, [this, &c] { host_.clicked(*this, c); });
            return b;
        }
    }
}

void Page::makeHeadings() {
    for (const layout::Group& g : table_.groups) {
        if (g.heading == nullptr) continue;
        auto* heading = new skin::CStaticTrans(&window());
        heading->setTextColor(skin::colour::kHeading);
        heading->setFontHeight(13);
        heading->setFontWeight(600);
        heading->setText(text(g.heading));
        heading->setGeometry(g.rect.left + 16, g.rect.top + 8, g.rect.width() - 32, 24);  // the art's heading band
        heading->hide();
        headings_.emplace_back(g.heading, heading);
        labels_.push_back(heading);
    }
}

QWidget* Page::heading(const char* key) const {
    for (const auto& [name, widget] : headings_)
        if (std::string_view(name) == key) return widget;
    return nullptr;
}

void Page::keep(QWidget* widget) {
    widget->setVisible(shown_);
    labels_.push_back(widget);
}

void Page::setShown(bool shown) {
    shown_ = shown;
    for (const auto& placed : controls_) {
        placed.widget->setVisible(shown);
        placed.widget->setEnabled(true);
    }
    for (QWidget* label : labels_) label->setVisible(shown);
}

void Page::paintOver(QPainter&, const QImage&) const {}
bool Page::command(const layout::Control&) { return false; }
void Page::menuChosen(int64_t) {}
bool Page::onMessage(uint32_t message, int64_t wParam, int64_t lParam) {
    if (message != skin::kSliderReleased && message != skin::kSliderDragged) return false;
    const bool released = message == skin::kSliderReleased;
    if (!sliderMoved(static_cast<int>(lParam), static_cast<int>(wParam), released)) return false;
    if (released) host_.saveOrSay();
    return true;
}

bool Page::sliderMoved(int, int, bool) { return false; }
void Page::becameCurrent() {}
void Page::serviceNotice() {}
QWidget* Page::makeControl(const layout::Control&) { return nullptr; }
bool Page::wants(const layout::Control&) const { return true; }
void Page::controlsMade() {}

}  // namespace panel
