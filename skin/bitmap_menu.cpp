#include "skin/bitmap_menu.h"

#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <algorithm>

#include "skin/accessibility.h"
#include "skin/skin_description.h"

namespace skin {
namespace {

constexpr int kDefaultMenuWidth = 140;
// Item captions start this far from the item's left edge, as menus of desktop toolkits do.
constexpr int kMenuCaptionOffset = 14;

SkinImage menuPicture(const MenuPictures& pictures, const std::string& name) {
    if (name.empty()) return {};
    return SkinImage::load(QString::fromStdString(skinImagePath(pictures.programFolder, name)));
}

}  // namespace

ScreenArea popupArea(const QWidget* owner, const QPoint& globalPos) {
    if (owner != nullptr && QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        const QWidget* window = owner->window();
        const QPoint origin = window->mapToGlobal(QPoint(0, 0));
        return {origin.x(), origin.y(), origin.x() + window->width(), origin.y() + window->height()};
    }
    QScreen* screen = QGuiApplication::screenAt(globalPos);
    if (!screen && owner) screen = owner->screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return {INT_MIN / 2, INT_MIN / 2, INT_MAX / 2, INT_MAX / 2};
    const QRect area = screen->availableGeometry();
    return {area.left(), area.top(), area.left() + area.width(), area.top() + area.height()};
}

CBmpMenuBase::CBmpMenuBase(QWidget* parent, const std::vector<MenuEntry>& entries, const MenuPictures& pictures)
    : SkinnedWindow(parent, Qt::Popup | Qt::FramelessWindowHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    setMouseTracking(true);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);

    const SkinImage normal = menuPicture(pictures, pictures.normal);
    const SkinImage over = menuPicture(pictures, pictures.over);
    const SkinImage down = menuPicture(pictures, pictures.down);
    const int width = pictures.width > 0 ? pictures.width : normal.isNull() ? kDefaultMenuWidth : normal.width();
    const int count = std::min<int>(int(entries.size()), kMaxMenuItems);
    for (int i = 0; i < count; ++i) {
        auto* button = new CBitmapBtn(this);
        button->setFocusPolicy(Qt::NoFocus);  // the menu itself takes the keys
        button->setStateImages(normal, over, down, normal);
        button->setCaption(entries[i].caption, kMenuCaptionOffset);
        button->setGeometry(0, i * kMenuItemHeight, width, kMenuItemHeight);
        button->installEventFilter(this);
        connect(button, &CBitmapBtn::clicked, this, [this, i] { itemChosen(i); });
        items_.push_back(button);
    }
    resize(width, std::max(count, 1) * kMenuItemHeight);
    setAccessibleName(tr("Menu"));
}

CBitmapBtn* CBmpMenuBase::item(int index) const {
    return index >= 0 && index < int(items_.size()) ? items_[index] : nullptr;
}

int CBmpMenuBase::itemAt(const QPoint& globalPos) const {
    const QPoint p = mapFromGlobal(globalPos);
    if (!rect().contains(p)) return -1;
    const int index = p.y() / kMenuItemHeight;
    return index < int(items_.size()) ? index : -1;
}

void CBmpMenuBase::setCurrent(int index) {
    if (current_ == index) return;
    if (CBitmapBtn* old = item(current_)) old->setHighlighted(false);
    current_ = index;
    if (CBitmapBtn* now = item(current_)) now->setHighlighted(true);
    accessible::itemHighlighted(this, item(current_));
}

bool CBmpMenuBase::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Enter) {
        auto it = std::find(items_.begin(), items_.end(), watched);
        if (it != items_.end()) itemEntered(int(it - items_.begin()));
    }
    return SkinnedWindow::eventFilter(watched, event);
}

void CBmpMenuBase::keyPressEvent(QKeyEvent* event) {
    const int count = int(items_.size());
    switch (event->key()) {
    case Qt::Key_Down:
        if (count) setCurrent((current_ + 1) % count);
        break;
    case Qt::Key_Up:
        if (count) setCurrent(current_ <= 0 ? count - 1 : current_ - 1);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (current_ >= 0) itemChosen(current_);
        break;
    case Qt::Key_Escape:
        close();
        break;
    default:
        SkinnedWindow::keyPressEvent(event);
    }
}

// ---- submenu

CSubBmpMenu::CSubBmpMenu(CBmpMenu* menu, int position, const std::vector<MenuEntry>& entries, const MenuPictures& pictures)
    : CBmpMenuBase(menu, entries, pictures), menu_(menu), position_(position), entries_(entries) {}

void CSubBmpMenu::itemChosen(int index) {
    if (index < 0 || index >= int(entries_.size())) return;
    menu_->postMessage(kSubmenuChosen, int64_t(position_) << 16 | (index & 0xFFFF), entries_[index].number);
    close();
}

void CSubBmpMenu::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Left) {
        close();
        return;
    }
    CBmpMenuBase::keyPressEvent(event);
}

void CSubBmpMenu::mouseMoveEvent(QMouseEvent* event) {
    // While the submenu is open it receives the pointer's moves, also those over the menu.
    if (!rect().contains(event->position().toPoint())) menu_->pointerAt(event->globalPosition().toPoint());
}

void CSubBmpMenu::leaveEvent(QEvent* event) {
    menu_->pointerAt(QCursor::pos());
    CBmpMenuBase::leaveEvent(event);
}

void CSubBmpMenu::mousePressEvent(QMouseEvent* event) {
    if (rect().contains(event->position().toPoint())) return;
    const QPoint global = event->globalPosition().toPoint();
    CBmpMenu* menu = menu_;
    close();
    menu->chooseAt(global);
}

// ---- first level

std::vector<MenuEntry> CBmpMenu::entriesOf(const std::vector<MenuItem>& items) {
    std::vector<MenuEntry> entries;
    for (const MenuItem& item : items) entries.push_back({item.caption, item.number});
    return entries;
}

CBmpMenu::CBmpMenu(SkinnedWindow* owner, const std::vector<MenuItem>& items, const MenuPictures& pictures)
    : CBmpMenuBase(owner, entriesOf(items), pictures), owner_(owner), records_(items), pictures_(pictures) {
    if (records_.size() > size_t(kMaxMenuItems)) records_.resize(kMaxMenuItems);
    for (size_t i = 0; i < records_.size(); ++i)
        if (records_[i].hasSubmenu) items_[i]->setSubmenuMark(true);
}

CBmpMenu* CBmpMenu::open(SkinnedWindow* owner, const QPoint& globalPos, const std::vector<MenuItem>& items,
                         const MenuPictures& pictures) {
    // The menu takes the pointer: the button it was opened from (any of the owner's) is no longer
    // under it.
    if (owner != nullptr)
        for (CBitmapBtn* b : owner->findChildren<CBitmapBtn*>()) b->forgetPointer();
    auto* menu = new CBmpMenu(owner, items, pictures);
    const MenuOrigin origin = placeMenu(globalPos.x(), globalPos.y(), menu->width(), menu->height(),
                                        popupArea(owner, globalPos));
    menu->move(origin.x, origin.y);
    menu->show();
    return menu;
}

void CBmpMenu::openSubmenu(int index) {
    if (submenu_ && submenu_->position() == index) return;
    closeSubmenu();
    if (index < 0 || index >= int(records_.size()) || !records_[index].hasSubmenu) return;
    const std::vector<MenuEntry>& entries = records_[index].submenu;
    auto* sub = new CSubBmpMenu(this, index, entries, pictures_);
    const QPoint itemTop = mapToGlobal(QPoint(0, index * kMenuItemHeight));
    const MenuOrigin origin = placeSubmenu(itemTop.x(), width(), itemTop.y(), sub->width(),
                                           std::min<int>(int(entries.size()), kMaxMenuItems), popupArea(owner_, itemTop));
    sub->move(origin.x, origin.y);
    submenu_ = sub;
    sub->show();
}

void CBmpMenu::closeSubmenu() {
    if (submenu_) submenu_->close();
    submenu_ = nullptr;
}

void CBmpMenu::hoverAt(const QPoint& globalPos) {
    const int index = itemAt(globalPos);
    if (index < 0) return;
    itemEntered(index);
}

void CBmpMenu::pointerAt(const QPoint& globalPos) {
    const bool overMenu = rect().contains(mapFromGlobal(globalPos));
    const bool overSubmenu = submenu_ && submenu_->rect().contains(submenu_->mapFromGlobal(globalPos));
    if (overMenu || overSubmenu) {
        pointerCame_ = true;
        if (overMenu) hoverAt(globalPos);
    } else if (pointerCame_) {
        close();  // a menu opened below the pointer stays until the pointer has come over it
    }
}

void CBmpMenu::mouseMoveEvent(QMouseEvent* event) { pointerAt(event->globalPosition().toPoint()); }

// Where the window system tells of the pointer leaving rather than moving outside the grab.
void CBmpMenu::enterEvent(QEnterEvent* event) {
    pointerCame_ = true;
    CBmpMenuBase::enterEvent(event);
}

void CBmpMenu::leaveEvent(QEvent* event) {
    pointerAt(QCursor::pos());
    CBmpMenuBase::leaveEvent(event);
}

void CBmpMenu::chooseAt(const QPoint& globalPos) {
    const int index = itemAt(globalPos);
    if (index >= 0) itemChosen(index);
    else close();
}

void CBmpMenu::itemEntered(int index) {
    setCurrent(index);
    if (index >= 0 && index < int(records_.size()) && records_[index].hasSubmenu) openSubmenu(index);
    else closeSubmenu();
}

void CBmpMenu::itemChosen(int index) {
    if (index < 0 || index >= int(records_.size())) return;
    if (records_[index].hasSubmenu) {
        openSubmenu(index);  // posts nothing: the choice is made in the submenu
        return;
    }
    postTo(owner_, kMenuChosen, int64_t(index) << 16, int64_t(records_[index].number) << 16);
    close();
}

int64_t CBmpMenu::onMessage(uint32_t message, int64_t wParam, int64_t lParam) {
    if (message != kSubmenuChosen) return 0;
    const int position = int(wParam >> 16 & 0xFFFF);
    if (position >= int(records_.size())) return 0;
    postTo(owner_, kMenuChosen, int64_t(position) << 16,
           int64_t(records_[position].number) << 16 | (lParam & 0xFFFF));
    close();
    return 0;
}

void CBmpMenu::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Right && current_ >= 0) {
        openSubmenu(current_);
        if (submenu_) submenu_->setFocus();
        return;
    }
    CBmpMenuBase::keyPressEvent(event);
}

void CBmpMenu::mousePressEvent(QMouseEvent* event) {
    // A press outside the popup dismisses it.
    if (!rect().contains(event->position().toPoint())) close();
}

void CBmpMenu::closeEvent(QCloseEvent* event) {
    closeSubmenu();
    SkinnedWindow::closeEvent(event);
}

}  // namespace skin
