#include "panel/dialogs/macro_name_menu.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

#include "shared/macro_file.h"
#include "skin/bitmap_menu.h"
#include "skin/list_box_ex.h"
#include "skin/menu_placement.h"
#include "skin/skin_description.h"
#include "skin/skin_image.h"

namespace macro {
namespace {

constexpr int kRowHeight = 24;
constexpr int kBorder = 1;

}  // namespace

CMacroNameMenu::CMacroNameMenu(skin::SkinnedWindow* owner, QWidget* opener, const std::string& programFolder)
    : skin::SkinnedWindow(owner, Qt::Popup | Qt::FramelessWindowHint), owner_(owner), opener_(opener) {
    setAttribute(Qt::WA_DeleteOnClose);
    const skin::SkinDescription description = skin::loadSkinDescription(programFolder, kNameMenuSkin);
    const std::string pictureName = description.main.empty() ? kNameMenuPicture : description.main;
    picture_ = skin::SkinImage::load(QString::fromStdString(skin::skinImagePath(programFolder, pictureName))).image();
    list_ = new skin::CListBoxEx(this);
    list_->setColors(skin::colour::kListGround, skin::colour::kListSelection, skin::colour::kText,
                     skin::colour::kText);
    list_->setItemHeight(kRowHeight);
    list_->setNotifyTarget(this);  // its messages stay here
    list_->setFocusPolicy(Qt::NoFocus);  // the menu takes the keys and hands them on
}

int64_t CMacroNameMenu::onMessage(uint32_t message, int64_t wParam, int64_t) {
    if (message == skin::kListSelected) {
        skin::postTo(owner_, kMacroChosen, wParam, 0);
        close();
    }
    return 0;
}

CMacroNameMenu* CMacroNameMenu::open(skin::SkinnedWindow* owner, QWidget* opener, const std::vector<QString>& names,
                                     int current, const std::string& programFolder) {
    auto* menu = new CMacroNameMenu(owner, opener, programFolder);
    // Readers name the popup and its list after the button that opened it.
    if (opener != nullptr) menu->setAccessibleName(opener->accessibleName());
    menu->list_->setAccessibleName(menu->accessibleName());
    for (const QString& name : names) menu->list_->addString(name, 0);
    menu->list_->setCurSel(current);
    const int rows = std::clamp(int(names.size()), 1, kListSlots);
    const int width = opener != nullptr ? std::max(opener->width(), 120) : 240;
    const int height = rows * kRowHeight + 2 * kBorder;
    menu->resize(width, height);
    menu->list_->setGeometry(kBorder, kBorder, width - 2 * kBorder, height - 2 * kBorder);
    const QPoint corner = opener != nullptr ? opener->mapToGlobal(QPoint(0, opener->height())) : QPoint(0, 0);
    const skin::MenuOrigin origin = skin::placeMenu(corner.x(), corner.y(), width, height, skin::popupArea(owner, corner));
    menu->move(origin.x, origin.y);
    menu->show();
    menu->setFocus(Qt::PopupFocusReason);
    return menu;
}

void CMacroNameMenu::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!picture_.isNull()) p.drawImage(rect(), picture_);
    else p.fillRect(rect(), skin::fromColorRef(skin::colour::kListGround));
}

void CMacroNameMenu::mousePressEvent(QMouseEvent* event) {
    // A popup sees the presses outside it too: any of them closes it, and one on the opener ends
    // there, so the opener does not open the list again.
    if (!rect().contains(event->position().toPoint())) {
        if (opener_ != nullptr &&
            opener_->rect().contains(opener_->mapFromGlobal(event->globalPosition().toPoint())))
            setAttribute(Qt::WA_NoMouseReplay);
        close();
        return;
    }
    skin::SkinnedWindow::mousePressEvent(event);
}

void CMacroNameMenu::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && list_->currentSelection() >= 0) {
        skin::postTo(owner_, kMacroChosen, list_->currentSelection(), 0);
        close();
        return;
    }
    QCoreApplication::sendEvent(list_, event);
}

}  // namespace macro
