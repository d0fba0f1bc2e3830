#pragma once
// What the skinned controls tell assistive technologies (screen readers, through Qt's
// accessibility and AT-SPI): for each control class one interface with its name, role, state and
// value. The controls are self-drawn, so without these a reader sees blank panes.
//
// - CBitmapBtn: a push button; a toggle is a check box with its checked state; an item of a
//   picture menu is a menu item. Name: the accessible name, else the caption, else the tooltip.
// - CPngHSliderBar: a slider with its value, minimum and maximum, which a reader may also set.
// - CListBoxEx: a list whose rows are list items (their text, selectable, the selected one marked).
// - CBmpMenuBase: a popup menu; the highlighted item is reported as the focus.
// - COwnColorSelect: a colour chooser whose value is the colour as "#rrggbb".
// - CStaticTrans: static text, or a status bar when it reports the window's state.
// - a SkinnedWindow of its own (the main window, a popup): a window, or a popup menu.
//
// The controls report their changes through the notify helpers below, so each control class
// needs only a line where its name, value or selection changes.
#include <QVariant>

class QWidget;

namespace skin {

// Makes Qt use these interfaces (once; the controls call it when they are made).
void installAccessibility();

namespace accessible {
// The control's name (caption) changed.
void nameChanged(QWidget* control);
// The control's value changed (a slider's value, the colour).
void valueChanged(QWidget* control, const QVariant& value);
// A plain widget of the window (not a skin control) that a reader should know as that role.
void setRole(QWidget* control, int role);
// A list's selection moved to that row (-1: none).
void selectionChanged(QWidget* list, int row);
// A menu's highlighted item.
void itemHighlighted(QWidget* menu, QWidget* item);
// The rows of a list changed.
void rowsChanged(QWidget* list);
}  // namespace accessible

}  // namespace skin
