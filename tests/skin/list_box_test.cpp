// CListBoxEx driven by QTest input on the offscreen platform.
#if KORVANTE_SKIN_QT  // built with the Qt programs only
#include <gtest/gtest.h>

#include <QTest>
#include <QWheelEvent>

#include "skin/list_box_ex.h"
#include "tests/skin/skin_test_support.h"

using namespace skin;
using skintest::Message;

namespace {

QPoint rowCentre(const CListBoxEx& list, int row) { return {40, row * list.itemHeight() + list.itemHeight() / 2}; }

struct ListFixture {
    skintest::RecordingWindow window;
    CListBoxEx* list = new CListBoxEx(&window);
    ListFixture(int items) {
        list->setGeometry(0, 0, 200, 4 * 24);  // four rows shown
        for (int i = 0; i < items; ++i) list->addString(QString::number(i), i % 2 ? kItemMove : kItemDelay);
        window.show();
    }
};

}  // namespace

TEST(ListBoxEx, InsertDeleteKeepTheSelectionOnItsItem) {
    ListFixture f(3);
    f.list->setCurSel(1);
    f.list->insertString(0, "new", kItemPressed);
    EXPECT_EQ(f.list->currentSelection(), 2);
    EXPECT_EQ(f.list->insertString(99, "end", kItemReleased), 4);
    f.list->deleteString(0);
    EXPECT_EQ(f.list->currentSelection(), 1);
    f.list->deleteString(1);
    EXPECT_EQ(f.list->currentSelection(), -1);
    EXPECT_FALSE(f.list->deleteString(7));
    EXPECT_EQ(f.list->itemData(2), kItemReleased);
    EXPECT_EQ(f.list->itemData(3), -1);
    f.list->setCurSel(9);
    EXPECT_EQ(f.list->currentSelection(), -1);
}

TEST(ListBoxEx, DoubleClickPostsTheEditOfDelaysAndMovesOnly) {
    ListFixture f(0);
    f.list->addString("10 MS", kItemDelay);
    f.list->addString("Move", kItemMove);
    f.list->addString("A", kItemPressed);
    f.list->addString("A", kItemReleased);
    struct Case { int row; std::vector<Message> posted; };
    const Case cases[] = {
        {0, {{kListEditDelay, 0, 0}}},
        {1, {{kListEditMove, 1, 0}}},
        {2, {}},
        {3, {}},
    };
    for (const Case& c : cases) {
        QTest::mouseDClick(f.list, Qt::LeftButton, {}, rowCentre(*f.list, c.row));
        std::vector<Message> posted = f.window.take();
        std::erase_if(posted, [](const Message& m) { return m.message == kListSelected; });  // the first press
        EXPECT_EQ(posted, c.posted) << c.row;
        EXPECT_EQ(f.list->currentSelection(), c.row);
    }
}

TEST(ListBoxEx, PressKeysAndWheelSelectAndScroll) {
    ListFixture f(10);
    QTest::mouseClick(f.list, Qt::LeftButton, {}, rowCentre(*f.list, 2));
    QTest::mouseClick(f.list, Qt::LeftButton, {}, rowCentre(*f.list, 2));  // again: a choice too
    QTest::mouseClick(f.list, Qt::LeftButton, {}, QPoint(40, 95));         // last row shown: item 3
    // Told at once, before the press returns: a page acts on the selection in the same event.
    EXPECT_EQ(f.window.messages, (std::vector<Message>{{kListSelected, 2, 0}, {kListSelected, 2, 0}, {kListSelected, 3, 0}}));

    f.list->setFocus();
    QTest::keyClick(f.list, Qt::Key_Down);  // item 4 scrolls into view
    EXPECT_EQ(f.list->currentSelection(), 4);
    EXPECT_EQ(f.list->topIndex(), 1);
    QTest::keyClick(f.list, Qt::Key_End);
    EXPECT_EQ(f.list->topIndex(), 6);
    QTest::keyClick(f.list, Qt::Key_Down);  // stays on the last
    EXPECT_EQ(f.list->currentSelection(), 9);
    QTest::keyClick(f.list, Qt::Key_Up);
    EXPECT_EQ(f.list->currentSelection(), 8);

    QWheelEvent up(QPointF(10, 10), f.list->mapToGlobal(QPointF(10, 10)), {}, {0, 120}, Qt::NoButton, {},
                   Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(f.list, &up);
    EXPECT_EQ(f.list->topIndex(), 3);
    QCoreApplication::sendEvent(f.list, &up);
    QCoreApplication::sendEvent(f.list, &up);
    EXPECT_EQ(f.list->topIndex(), 0);  // not above the first
    EXPECT_EQ(f.list->currentSelection(), 8);  // scrolling leaves the selection
    QTest::mouseClick(f.list, Qt::LeftButton, {}, rowCentre(*f.list, 1));
    EXPECT_EQ(f.list->currentSelection(), 1);

    // A right press selects, then asks for the menu at the pointer.
    f.window.messages.clear();
    QTest::mouseClick(f.list, Qt::RightButton, {}, rowCentre(*f.list, 0));
    const QPoint at = f.list->mapToGlobal(rowCentre(*f.list, 0));
    EXPECT_EQ(f.window.take(), (std::vector<Message>{{kListSelected, 0, 0}, {kListMenuRequested, at.x(), at.y()}}));
}

TEST(ListBoxEx, PaintsBothColoursAndThePressedPicture) {
    skintest::PictureFolder folder;
    folder.picture(kPressedPicture, 16, 16, Qt::red);
    ListFixture f(0);
    f.list->loadPictures(folder.path());
    f.list->setColors(0x102030, 0x405060, 0xFFFFFF, 0xFFFFFF);
    f.list->addString("", kItemPressed);
    f.list->addString("", kItemReleased);  // no picture file: nothing drawn
    f.list->setCurSel(1);
    const QImage shot = f.list->grab().toImage();
    EXPECT_EQ(shot.pixelColor(10, 12), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(10, 36), fromColorRef(0x405060));
    EXPECT_EQ(shot.pixelColor(100, 80), fromColorRef(0x102030));
}
#endif
