// What the skinned controls tell a screen reader through Qt's accessibility, driven by QTest input.
#if KORVANTE_SKIN_QT  // built with the Qt programs only
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QPointer>
#include <QTest>

#include "skin/bitmap_button.h"
#include "skin/bitmap_menu.h"
#include "skin/colour_math.h"
#include "skin/colour_select.h"
#include "skin/list_box_ex.h"
#include "skin/slider.h"
#include "skin/static_trans.h"
#include "tests/skin/skin_test_support.h"

using namespace skin;
using skintest::Message;

namespace {

QAccessibleInterface* ifaceOf(QObject* o) { return QAccessible::queryAccessibleInterface(o); }

}  // namespace

TEST(Accessibility, EachControlTellsItsNameRoleStateAndValue) {
    skintest::PictureFolder folder;
    skintest::RecordingWindow window;
    auto* apply = new CBitmapBtn(&window);
    apply->setCaption("Apply\nnow");
    auto* close = new CBitmapBtn(&window);
    close->setToolTip("Close the window");
    auto* pill = new CBitmapBtn(&window);
    pill->setCaption("On");
    pill->setToggleMode(true);
    pill->setGeometry(0, 0, 40, 20);
    auto* list = new CListBoxEx(&window);
    list->addString("A pressed", kItemPressed);
    list->addString("10 ms", kItemDelay);
    auto* colour = new COwnColorSelect(folder.path(), &window);
    colour->setColor(makeColorRef(255, 0, 0));
    auto* strip = new CStaticTrans(&window);
    strip->setText("Mouse connected");
    strip->setReportsState(true);
    auto* heading = new CStaticTrans(&window);
    heading->setText("Speed");
    window.show();
    QTest::mouseClick(pill, Qt::LeftButton);

    const struct {
        QWidget* control;
        QAccessible::Role role;
        QString name, value;
        bool checked;
    } cases[] = {
        {apply, QAccessible::Button, "Apply now", "", false},
        {close, QAccessible::Button, "Close the window", "", false},  // no caption: its tooltip
        {pill, QAccessible::CheckBox, "On", "", true},
        {list, QAccessible::List, "", "", false},
        {colour, QAccessible::ColorChooser, "Colour selector", "#ff0000", false},
        {strip, QAccessible::StatusBar, "Mouse connected", "", false},
        {heading, QAccessible::StaticText, "Speed", "", false},
    };
    for (const auto& c : cases) {
        QAccessibleInterface* iface = ifaceOf(c.control);
        ASSERT_NE(iface, nullptr);
        EXPECT_EQ(iface->role(), c.role) << c.name.toStdString();
        EXPECT_EQ(iface->text(QAccessible::Name), c.name);
        EXPECT_EQ(iface->text(QAccessible::Value), c.value) << c.name.toStdString();
        EXPECT_EQ(bool(iface->state().checked), c.checked) << c.name.toStdString();
    }
    // The list's rows are readable, the selected one marked.
    list->setCurSel(1);
    QAccessibleInterface* rows = ifaceOf(list);
    ASSERT_EQ(rows->childCount(), 2);
    EXPECT_EQ(rows->child(0)->role(), QAccessible::ListItem);
    EXPECT_EQ(rows->child(0)->text(QAccessible::Name), "A pressed");
    EXPECT_FALSE(rows->child(0)->state().selected);
    EXPECT_TRUE(rows->child(1)->state().selected);
    EXPECT_EQ(rows->indexOfChild(rows->child(1)), 1);
    list->deleteString(1);
    EXPECT_EQ(rows->childCount(), 1);
}

TEST(Accessibility, SliderKeysAndReadersSetTheValue) {
    skintest::PictureFolder folder;
    skintest::RecordingWindow window;
    CPngHSliderBar slider;
    ASSERT_TRUE(slider.create(folder.picture("t.png", 220, 20, Qt::gray), folder.picture("h.png", 20, 20, Qt::white),
                              {}, QRect(0, 0, 220, 20), &window, 7));
    slider.setRange(0, 50);
    slider.setAccessibleName("Speed");
    window.show();
    QAccessibleValueInterface* value = ifaceOf(&slider)->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(ifaceOf(&slider)->role(), QAccessible::Slider);
    EXPECT_EQ(value->maximumValue().toInt(), 50);
    const struct {
        int from;
        Qt::Key key;
        int to;
    } cases[] = {
        {10, Qt::Key_Right, 11}, {10, Qt::Key_Up, 11},     {10, Qt::Key_Left, 9},      {10, Qt::Key_Down, 9},
        {10, Qt::Key_PageUp, 20}, {10, Qt::Key_PageDown, 0}, {2, Qt::Key_PageDown, 0}, {48, Qt::Key_PageUp, 50},
        {10, Qt::Key_Home, 0},   {10, Qt::Key_End, 50},
    };
    for (const auto& c : cases) {
        slider.setValue(c.from);
        window.take();
        QTest::keyClick(&slider, c.key);
        EXPECT_EQ(slider.value(), c.to) << c.from << " " << c.key;
        EXPECT_EQ(window.take(), (std::vector<Message>{{kSliderReleased, c.to, 7}, {kSliderReleased, c.to, 262}}));
        EXPECT_EQ(value->currentValue().toInt(), c.to);
    }
    // A reader that sets the value moves the slider as the keys do.
    value->setCurrentValue(33);
    EXPECT_EQ(ifaceOf(&slider)->text(QAccessible::Value), "33");
    EXPECT_EQ(window.take(), (std::vector<Message>{{kSliderReleased, 33, 7}, {kSliderReleased, 33, 262}}));
}

TEST(Accessibility, ListSelectionAndMenuHighlightFollowTheKeys) {
    skintest::PictureFolder folder;
    skintest::RecordingWindow window;
    auto* list = new CListBoxEx(&window);
    list->setGeometry(0, 0, 200, 96);
    for (const char* row : {"A pressed", "10 ms", "A released"}) list->addString(row, kItemDelay);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    list->setFocus();
    QAccessibleInterface* rows = ifaceOf(list);
    for (const auto& [key, row] : {std::pair{Qt::Key_Down, 0}, {Qt::Key_End, 2}, {Qt::Key_Up, 1}}) {
        QTest::keyClick(list, key);
        ASSERT_NE(rows->focusChild(), nullptr);
        EXPECT_EQ(rows->focusChild()->text(QAccessible::Name), list->text(row));
        EXPECT_EQ(rows->text(QAccessible::Value), list->text(row));
    }

    const std::vector<MenuItem> items{{"Left click", 1, false, {}}, {"Right click", 2, false, {}}};
    QPointer<CBmpMenu> menu = CBmpMenu::open(&window, QPoint(10, 10), items, {folder.path(), "n.png", "o.png", "d.png"});
    QAccessibleInterface* popup = ifaceOf(menu);
    EXPECT_EQ(popup->role(), QAccessible::PopupMenu);
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Down);
    ASSERT_NE(popup->focusChild(), nullptr);
    EXPECT_EQ(popup->focusChild()->text(QAccessible::Name), "Right click");
    EXPECT_EQ(popup->focusChild()->role(), QAccessible::MenuItem);
    EXPECT_TRUE(popup->focusChild()->state().focused);
    EXPECT_FALSE(ifaceOf(menu->item(0))->state().focused);
    if (menu) menu->close();
}

#endif
