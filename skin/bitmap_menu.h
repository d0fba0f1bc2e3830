#pragma once
// CBmpMenu / CSubBmpMenu: two-level popup menus of picture buttons (CBitmapBtn), 24 pixels per
// item from top to bottom, at most 20 items on the first level.
//
// Moving over (or clicking) a first-level item that has a submenu opens a CSubBmpMenu beside it,
// to the right (placeSubmenu() in menu_placement.h, against popupArea() of the owner), closing any
// other. Choosing an item posts to the owner window:
// - a first-level item without submenu: 1281 with wParam = position << 16, lParam = number << 16;
// - a submenu item: the submenu posts 1340 to the first-level menu (wParam = first-level position
//   << 16 | submenu index, lParam = submenu item number), which posts 1281 to the owner with
//   wParam = position << 16, lParam = first-level number << 16 | submenu number.
// The menu then closes itself. Keyboard: Up and Down move, Enter chooses, Right opens a submenu,
// Left or Esc closes a submenu, Esc closes the menu. Once the pointer has been over the menu, it
// closes when the pointer leaves the menu and its submenu. A closed menu deletes itself (keep it in
// a QPointer).
#include <QPointer>
#include <string>
#include <vector>

#include "skin/bitmap_button.h"
#include "skin/menu_placement.h"
#include "skin/skinned_window.h"

namespace skin {

inline constexpr uint32_t kSubmenuChosen = 1340;  // between the menus only, apart from the window's numbers
inline constexpr uint32_t kMenuChosen = 1281;     // 0x501
inline constexpr int kMaxMenuItems = 20;

struct MenuEntry {
    QString caption;
    int number = 0;
};

struct MenuItem {
    QString caption;
    int number = 0;
    bool hasSubmenu = false;
    std::vector<MenuEntry> submenu;
};

// The item pictures (normal, hover, pressed), file names in programFolder/skins/, drawn at the
// menu's width: the normal picture's, or `width` when it is set (a drop-down as wide as its box).
struct MenuPictures {
    std::string programFolder;
    std::string normal, over, down;
    int width = 0;
};

// Where the popups of a window may lie, in the global coordinates Qt gives its widgets. Under X11
// the available area of the screen at globalPos. Where the window system places the windows and
// tells a program neither where its window lies nor where the screen's edges are (Wayland: Qt's
// global coordinates there are the window's own), the owner's top-level window: a popup kept inside
// it stays on the screen as long as the window does.
ScreenArea popupArea(const QWidget* owner, const QPoint& globalPos);

class CBmpMenuBase : public SkinnedWindow {
    Q_OBJECT
public:
    int itemCount() const { return int(items_.size()); }
    CBitmapBtn* item(int index) const;
    int current() const { return current_; }

protected:
    CBmpMenuBase(QWidget* parent, const std::vector<MenuEntry>& entries, const MenuPictures& pictures);

    virtual void itemChosen(int index) = 0;
    virtual void itemEntered(int index) { setCurrent(index); }
    int itemAt(const QPoint& globalPos) const;
    void setCurrent(int index);

    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    std::vector<CBitmapBtn*> items_;
    int current_ = -1;
};

class CBmpMenu;

class CSubBmpMenu : public CBmpMenuBase {
    Q_OBJECT
public:
    CSubBmpMenu(CBmpMenu* menu, int position, const std::vector<MenuEntry>& entries, const MenuPictures& pictures);
    int position() const { return position_; }
    int64_t onMessage(uint32_t, int64_t, int64_t) override { return 0; }

protected:
    void itemChosen(int index) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    CBmpMenu* menu_;
    int position_;
    std::vector<MenuEntry> entries_;
};

class CBmpMenu : public CBmpMenuBase {
    Q_OBJECT
public:
    // Opens a menu at a screen position (kept inside popupArea() of the owner) for the owner.
    static CBmpMenu* open(SkinnedWindow* owner, const QPoint& globalPos, const std::vector<MenuItem>& items,
                          const MenuPictures& pictures);

    CSubBmpMenu* submenu() const { return submenu_; }
    // Opens the submenu of that item (closing any other); nothing for an item without one.
    void openSubmenu(int index);
    void closeSubmenu();
    // The pointer moved to (or pressed at) that screen point outside the open submenu.
    void hoverAt(const QPoint& globalPos);
    // The pointer moved to that screen point: over an item it hovers it; outside the menu and its
    // submenu, after having been over the menu, it closes the menu.
    void pointerAt(const QPoint& globalPos);
    void chooseAt(const QPoint& globalPos);

    int64_t onMessage(uint32_t message, int64_t wParam, int64_t lParam) override;

protected:
    void itemChosen(int index) override;
    void itemEntered(int index) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    CBmpMenu(SkinnedWindow* owner, const std::vector<MenuItem>& items, const MenuPictures& pictures);
    static std::vector<MenuEntry> entriesOf(const std::vector<MenuItem>& items);

    QPointer<SkinnedWindow> owner_;
    std::vector<MenuItem> records_;
    MenuPictures pictures_;
    QPointer<CSubBmpMenu> submenu_;
    bool pointerCame_ = false;  // the pointer has been over the menu
};

}  // namespace skin
