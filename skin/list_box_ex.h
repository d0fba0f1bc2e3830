#pragma once
// CListBoxEx: an owner-drawn list of one-line items. Each item has a text and an item value; the
// values 149 (pressed) and 148 (released) draw their picture before the text, every other value
// draws none (the text stays in the same column, so a list reads as one column). Two background
// colours (list, selected item) and two text colours (text, selected text), COLORREF values.
// Single selection: a left or right press selects the item under the pointer, Up and Down move the
// selection, Home and End go to the ends; the wheel scrolls.
//
// The list tells the nearest SkinnedWindow (or its notify target) with messages:
// - a user selection (pointer or keys, not setCurSel) sends 1341 with the index at once; a press
//   on the already selected item sends it too, so a popup list can take it as the choice;
// - a right press sends 1342 with the pointer's global position (x, y) after selecting;
// - a double click on an item posts 13315 with the index for an item of value 0 (a delay), 13316
//   for value 160 (a move); 148 and 149 only select.
#include <QString>
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "skin/skin_image.h"
#include "skin/skin_style.h"

namespace skin {

class SkinnedWindow;

inline constexpr uint32_t kListSelected = 1341;
inline constexpr uint32_t kListMenuRequested = 1342;
inline constexpr uint32_t kListEditDelay = 13315;  // 0x3403
inline constexpr uint32_t kListEditMove = 13316;   // 0x3404

// Item values of the event list.
inline constexpr int kItemDelay = 0;
inline constexpr int kItemReleased = 148;
inline constexpr int kItemPressed = 149;
inline constexpr int kItemMove = 160;

// The pictures of the item values 149 and 148, in the skin folder.
inline constexpr const char* kPressedPicture = "list_pressed.png";
inline constexpr const char* kReleasedPicture = "list_released.png";

class CListBoxEx : public QWidget {
    Q_OBJECT
public:
    explicit CListBoxEx(QWidget* parent = nullptr);

    // Background, selection, text and selected text (COLORREF).
    void setColors(uint32_t background, uint32_t selection, uint32_t text, uint32_t selectedText);
    // The item pictures from programFolder/skins/ (missing pictures draw nothing).
    void loadPictures(const std::string& programFolder);
    void setItemHeight(int pixels);
    int itemHeight() const { return itemHeight_; }
    void setFontHeight(int pixels);
    void setNotifyTarget(SkinnedWindow* target) { target_ = target; }

    int count() const { return int(items_.size()); }
    // Appends; returns the new index.
    int addString(const QString& text, int value);
    // Inserts before index (an index outside 0..count appends); returns the new index. The
    // selection stays on its item.
    int insertString(int index, const QString& text, int value);
    // Replaces text and value of an item; false for an index outside the list.
    bool setItem(int index, const QString& text, int value);
    // Removes an item; the selection is cleared when it was that item and moves with later items.
    bool deleteString(int index);
    void resetContent();
    QString text(int index) const;
    int itemData(int index) const;

    int currentSelection() const { return selection_; }
    // Selects (and scrolls to) an item; -1 or an index outside the list clears the selection.
    // Emits nothing.
    void setCurSel(int index);
    int topIndex() const { return top_; }
    int visibleRows() const;
    // The item at a point of the widget, -1 below the last.
    int itemAt(const QPoint& point) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Item {
        QString text;
        int value;
    };
    void select(int index, bool notify);
    void scrollTo(int top);
    void ensureVisible(int index);
    int maxTop() const;
    SkinnedWindow* target() const;

    std::vector<Item> items_;
    int selection_ = -1;
    int top_ = 0;
    int itemHeight_ = 24;
    int fontHeight_ = 13;
    int wheelRemainder_ = 0;
    uint32_t colors_[4] = {colour::kListGround, colour::kListSelection, colour::kText, colour::kText};
    SkinImage pressed_, released_;
    SkinnedWindow* target_ = nullptr;
};

}  // namespace skin
