#pragma once
// CMacroNameMenu: the list of macro names that a name button opens. A borderless popup holding one
// CListBoxEx (the list colours of the skin style, white text) over the picture of the skin
// "skins/macromenu.ini" (default "macro_menu_n.jpg"), one 24-pixel row per name. Its top-left
// corner lies at the opener's bottom-left corner, moved into the area its window's popups may use
// (skin::popupArea) when it would leave it.
//
// Choosing a name (a press on it, or Up/Down) posts 13332 with the name's index to the owner, and
// the menu closes. Esc or a press outside closes it without a choice; a press on the opener closes
// it and is not passed on to the opener, so pressing the opener again closes the list rather than
// opening it anew. The menu deletes itself when closed: keep it in a QPointer.
#include <QPointer>
#include <QString>
#include <string>
#include <vector>

#include "skin/skinned_window.h"

namespace skin {
class CListBoxEx;
}

namespace macro {

inline constexpr uint32_t kMacroChosen = 13332;  // 0x3414, wParam = index in the name list
inline constexpr const char* kNameMenuSkin = "skins/macromenu.ini";
inline constexpr const char* kNameMenuPicture = "macro_menu_n.jpg";

class CMacroNameMenu : public skin::SkinnedWindow {
    Q_OBJECT
public:
    // Opens the menu below the opener for the owner; current (-1: none) is shown selected.
    static CMacroNameMenu* open(skin::SkinnedWindow* owner, QWidget* opener, const std::vector<QString>& names,
                                int current, const std::string& programFolder);

    skin::CListBoxEx* list() const { return list_; }
    // A name chosen in the list (its selection message): the owner hears of it, the menu closes.
    int64_t onMessage(uint32_t message, int64_t wParam, int64_t lParam) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    CMacroNameMenu(skin::SkinnedWindow* owner, QWidget* opener, const std::string& programFolder);

    QPointer<skin::SkinnedWindow> owner_;
    QPointer<QWidget> opener_;
    skin::CListBoxEx* list_ = nullptr;
    QImage picture_;
};

}  // namespace macro
