// The skinned controls driven by QTest input events on the offscreen platform.
#if KORVANTE_SKIN_QT  // built with the Qt programs only
#include <gtest/gtest.h>

#include <QEnterEvent>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <filesystem>
#include <functional>

#include "skin/bitmap_button.h"
#include "skin/bitmap_menu.h"
#include "skin/colour_math.h"
#include "skin/colour_select.h"
#include "skin/skin_description.h"
#include "skin/skin_image.h"
#include "skin/slider.h"
#include "platform/atomic_file.h"
#include "platform/profile_ini.h"
#include "shared/macro_file.h"
#include "shared/string_table.h"
#include "tests/skin/skin_test_support.h"
#include "tests/support/fifo_reader.h"

using namespace skin;
using skintest::Message;

namespace {

void enter(QWidget* widget) {
    QEnterEvent event(QPointF(1, 1), QPointF(1, 1), widget->mapToGlobal(QPointF(1, 1)));
    QCoreApplication::sendEvent(widget, &event);
}

QColor pixelOf(QWidget* widget, QPoint p) { return widget->grab().toImage().pixelColor(p); }

}  // namespace

TEST(SkinImage, LoadsCutsAndPicksTheDoubleSizePicture) {
    skintest::PictureFolder folder;
    const SkinImage missing = SkinImage::load(QString::fromStdString(folder.skinFile("none.png")));
    EXPECT_EQ(missing.status(), SkinImage::Status::FileNotFound);
    EXPECT_EQ(missing.width(), 0);
    EXPECT_EQ(missing.height(), 0);
    EXPECT_TRUE(missing.cut(0, 0, 4, 4).isNull());

    QFile junk(QString::fromStdString(folder.skinFile("junk.png")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a picture");
    junk.close();
    const SkinImage undecodable = SkinImage::load(junk.fileName());
    EXPECT_EQ(undecodable.status(), SkinImage::Status::NotDecodable);
    EXPECT_EQ(undecodable.width(), 0);

    const QString plain = folder.picture("main.png", 40, 20, Qt::red);
    folder.picture("main@2x.png", 80, 40, Qt::blue);
    folder.picture("only.png", 40, 20, Qt::green);
    struct Case { QString path; qreal ratio; qreal expectedRatio; QColor colour; };
    const Case cases[] = {
        {plain, 1.0, 1.0, Qt::red},
        {plain, 2.0, 2.0, Qt::blue},
        {QString::fromStdString(folder.skinFile("only.png")), 2.0, 1.0, Qt::green},
    };
    for (const Case& c : cases) {
        const SkinImage image = SkinImage::load(c.path, c.ratio);
        EXPECT_EQ(image.status(), SkinImage::Status::Ok);
        EXPECT_EQ(image.width(), 40);  // logical size whatever file was read
        EXPECT_EQ(image.height(), 20);
        EXPECT_EQ(image.devicePixelRatio(), c.expectedRatio);
        EXPECT_EQ(image.image().pixelColor(0, 0), c.colour);
        const SkinImage part = image.cut(rectToArea(10, 5, 30, 15));
        EXPECT_EQ(part.width(), 20);
        EXPECT_EQ(part.height(), 10);
        EXPECT_EQ(part.image().width(), int(20 * c.expectedRatio));
        skintest::RecordingWindow window;  // a window takes its background picture's logical size
        window.setBackgroundPicture(image);
        EXPECT_EQ(window.size(), QSize(40, 20));
        window.setBackgroundPicture(missing);
        EXPECT_EQ(window.size(), QSize(0, 0));
    }
}

// Every kind of file the window reads, with a FIFO in its place: each reader refuses it at once
// (a blocked open would hang the window before it appears).
TEST(FileGuard, EveryReaderOfTheWindowPassesAFifo) {
    skintest::PictureFolder folder;
    folder.picture("good.png", 4, 4, Qt::red);
    const std::string fifoPicture = folder.skinFile("fifo.png"), fifoDouble = folder.skinFile("good@2x.png");
    const std::string fifo = folder.path() + "/fifo";
    struct Case {
        const char* what;
        std::string path;
        std::function<void(const std::string&)> read;
    };
    const Case cases[] = {
        {"skin picture", fifoPicture, [](const std::string& p) {
             EXPECT_EQ(SkinImage::load(QString::fromStdString(p), 1.0).status(), SkinImage::Status::NotDecodable);
         }},
        {"its double-size picture", fifoDouble, [&](const std::string&) {
             EXPECT_EQ(SkinImage::load(QString::fromStdString(folder.skinFile("good.png")), 2.0).devicePixelRatio(), 1.0);
         }},
        {"skin description", folder.skinFile("skin_main.ini"), [&](const std::string&) {
             EXPECT_TRUE(loadSkinDescription(folder.path(), "skins/skin_main.ini").main.empty());
         }},
        {"strings file", fifo, [](const std::string& p) { EXPECT_EQ(lookupString(p, "MAIN", "FONT"), ""); }},
        {"macro file", fifo, [](const std::string& p) {
             macro::MacroFileData data;
             EXPECT_FALSE(macro::readMacroFile(p, data, 0));
         }},
        {"macro import", fifo, [](const std::string& p) { EXPECT_FALSE(platform::readWholeFile(p)); }},
        {"profile import", fifo, [](const std::string& p) {
             bool exists = true;
             platform::readProfileDocument(p, &exists);
             EXPECT_FALSE(exists);
         }},
        {"help page or plugin", fifo, [](const std::string& p) { EXPECT_FALSE(platform::isReadableRegularFile(p)); }},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(testsupport::readsPastFifo(c.path, [&] { c.read(c.path); })) << c.what;
        std::filesystem::remove(c.path);
    }
}

TEST(BitmapButton, StatesPicturesAndCaptionColours) {
    skintest::RecordingWindow window;
    const QColor colours[4] = {Qt::darkGray, Qt::darkGreen, Qt::darkBlue, Qt::darkRed};
    SkinImage pictures[4];
    for (int i = 0; i < 4; ++i) {
        QImage image(60, 30, QImage::Format_RGB32);
        image.fill(colours[i]);
        pictures[i] = SkinImage(image);
    }

    struct Case { bool toggle, checked, enabled, hover; CBitmapBtn::Visual visual; uint32_t colour; };
    using V = CBitmapBtn::Visual;
    const Case cases[] = {
        {true, true, false, false, V::Disabled, 0x646464}, {true, true, true, true, V::Pressed, 0x00A4C8},
        {true, false, true, true, V::Normal, 0xFFFFFF},    {true, false, false, false, V::Disabled, 0x646464},
        {false, false, true, true, V::Hover, 0x00CCEF},    {false, false, true, false, V::Normal, 0xFFFFFF},
        // Only a toggle can be checked: a plain button stays in its normal state.
        {false, true, true, false, V::Normal, 0xFFFFFF},   {false, false, false, true, V::Disabled, 0x646464},
    };
    for (const Case& c : cases) {
        CBitmapBtn button(&window);
        button.setGeometry(10, 10, 60, 30);
        button.setImages(0, 0, 60, 30, pictures[0], pictures[1], pictures[2], pictures[3]);
        button.setToggleMode(c.toggle);
        button.setChecked(c.checked);
        button.setEnabled(c.enabled);
        if (c.hover) enter(&button);
        EXPECT_EQ(button.visual(), c.visual) << c.toggle << c.checked << c.enabled << c.hover;
        EXPECT_EQ(button.captionColor(), c.colour);
        EXPECT_EQ(pixelOf(&button, {2, 2}), colours[int(c.visual)]);
    }
}

TEST(BitmapButton, ClicksToggleAndKeysAndAccessibleName) {
    skintest::RecordingWindow window;
    CBitmapBtn button(&window);
    button.setGeometry(0, 0, 60, 30);
    button.setCaption("Two\nlines", 0, 2);
    EXPECT_EQ(button.accessibleName(), "Two lines");
    button.setToggleMode(true);
    QSignalSpy clicks(&button, &CBitmapBtn::clicked);
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_TRUE(button.isChecked());  // flipped before clicked() went out
    EXPECT_EQ(clicks.size(), 1);
    button.setToggleMode(false);
    QTest::keyClick(&button, Qt::Key_Return);
    QTest::keyClick(&button, Qt::Key_Space);
    EXPECT_EQ(clicks.size(), 3);
    EXPECT_FALSE(button.isChecked());  // a plain button never stays pressed after a click
    EXPECT_EQ(button.visual(), CBitmapBtn::Visual::Normal);
    button.setAccessibleName("Close");
    button.setCaption("X");
    EXPECT_EQ(button.accessibleName(), "Close");  // a name set by the window stays
}

class SliderTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString track = folder.picture("track.png", 220, 20, Qt::gray);
        const QString thumb = folder.picture("thumb.png", 20, 20, Qt::white);
        ASSERT_TRUE(slider.create(track, thumb, {}, QRect(10, 10, 220, 20), &window, 7));
    }
    skintest::PictureFolder folder;
    skintest::RecordingWindow window;
    CPngHSliderBar slider;
};

TEST_F(SliderTest, DragClickKeysAndTheirMessages) {
    EXPECT_EQ(slider.thumb()->x(), 0);
    CPngHSlider* thumb = slider.thumb();
    QTest::mousePress(thumb, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseMove(thumb, QPoint(105, 5));  // thumb edge at 100
    EXPECT_EQ(thumb->x(), 100);
    EXPECT_EQ(window.take(), (std::vector<Message>{{1095, 6, 7}}));
    QTest::mouseRelease(thumb, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(window.take(), (std::vector<Message>{{1094, 6, 7}, {1094, 6, 262}}));

    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(200, 10));
    EXPECT_EQ(window.take(), (std::vector<Message>{{1094, 10, 7}}));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(200, 10));
    EXPECT_EQ(window.take(), (std::vector<Message>{{1094, 10, 7}, {1094, 10, 262}}));
    EXPECT_EQ(thumb->x(), 200);

    QTest::keyClick(&slider, Qt::Key_Left);
    EXPECT_EQ(window.take(), (std::vector<Message>{{1094, 9, 7}, {1094, 9, 262}}));
    slider.setValue(10);
    QTest::keyClick(&slider, Qt::Key_Right);  // already at the maximum: nothing
    EXPECT_TRUE(window.take().empty());

    slider.setValue(12);
    EXPECT_EQ(thumb->x(), 0);
    EXPECT_EQ(slider.value(), 0);
}

class ColourSelectTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder.picture("bar1.png", 12, 192, Qt::green);
        selector = new COwnColorSelect(folder.path(), &window);
        selector->create(QRect(QPoint(0, 0), COwnColorSelect::contentSize()));
    }
    std::vector<uint32_t> reports() {
        std::vector<uint32_t> colours;
        for (const Message& m : window.take()) {
            if (m.message == kColourChanged) colours.push_back(uint32_t(m.wParam));
        }
        return colours;
    }
    skintest::PictureFolder folder;
    skintest::RecordingWindow window;
    COwnColorSelect* selector = nullptr;
};

TEST_F(ColourSelectTest, StepButtonsAndFields) {
    struct Case { int red; bool up; int result; };
    for (const Case& c : {Case{254, true, 255}, Case{255, true, 255}, Case{1, false, 0}}) {
        selector->setColor(makeColorRef(c.red, 0, 0));
        QTest::mouseClick(selector->stepButton(0, c.up), Qt::LeftButton);
        EXPECT_EQ(redOf(selector->color()), c.result) << c.red;
        EXPECT_EQ(selector->field(kRedFieldId)->text(), QString::number(c.result));
        EXPECT_EQ(reports(), std::vector<uint32_t>{selector->color()});
    }
    selector->setColor(makeColorRef(255, 0, 0));
    EXPECT_EQ(selector->field(kHexFieldId)->text(), "0000ff");

    // Typed input: a channel above 255 is written back as 255; hex sets red from the low byte.
    CClrEdit* green = selector->field(kGreenFieldId);
    green->clear();
    QTest::keyClicks(green, "300");
    EXPECT_EQ(reports(), std::vector<uint32_t>{makeColorRef(255, 255, 0)});
    EXPECT_EQ(green->text(), "255");
    CClrEdit* hex = selector->field(kHexFieldId);
    hex->clear();
    QTest::keyClicks(hex, "102030");
    reports();
    EXPECT_EQ(selector->color(), 0x102030u);
    EXPECT_EQ(selector->field(kRedFieldId)->text(), "48");
    EXPECT_EQ(selector->field(kBlueFieldId)->text(), "16");
}

TEST_F(ColourSelectTest, FieldClickReportsTheColourDrawnThere) {
    const QColor drawn = pixelOf(selector, {100, 50});
    QTest::mouseClick(selector, Qt::LeftButton, {}, QPoint(100, 50));
    // Reported at the press and again at the release.
    EXPECT_EQ(reports(), (std::vector<uint32_t>{toColorRef(drawn), toColorRef(drawn)}));
    EXPECT_EQ(selector->marker(), QPoint(100, 50));
}

TEST_F(ColourSelectTest, BarDragReportsFewChangesAndTheFinalColour) {
    QTest::mousePress(selector, Qt::LeftButton, {}, QPoint(205, 10));
    EXPECT_EQ(selector->color(), toColorRef(Qt::green));  // the first press reads the bar picture
    for (int y = 11; y <= 150; ++y) QTest::mouseMove(selector, QPoint(205, y));
    QTest::mouseRelease(selector, Qt::LeftButton, {}, QPoint(205, 150));
    const std::vector<uint32_t> colours = reports();
    EXPECT_LE(colours.size(), 3u);
    ASSERT_FALSE(colours.empty());
    EXPECT_EQ(colours.back(), hueEntry(149));
    EXPECT_EQ(selector->barPosition(), 150);
}

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.show();
        menu = CBmpMenu::open(&window, QPoint(100, 100), items, {folder.path(), "n.png", "o.png", "d.png"});
    }
    skintest::PictureFolder folder;
    skintest::RecordingWindow window;
    std::vector<MenuItem> items{{"One", 11, false, {}}, {"Two", 22, true, {{"A", 5}, {"B", 6}}}, {"Three", 33, false, {}}};
    QPointer<CBmpMenu> menu;
};

TEST_F(MenuTest, PlainItemPostsItsPositionAndNumber) {
    QTest::mouseClick(menu->item(2), Qt::LeftButton);
    EXPECT_EQ(window.take(), (std::vector<Message>{{1281, 2 << 16, 33 << 16}}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(menu.isNull());  // closed after the choice
}

TEST_F(MenuTest, SubmenuItemPostsBothNumbers) {
    enter(menu->item(1));
    ASSERT_TRUE(menu->submenu());
    EXPECT_EQ(menu->submenu()->pos(), menu->pos() + QPoint(menu->width(), 24));
    enter(menu->item(0));  // another item closes it
    EXPECT_FALSE(menu->submenu() && menu->submenu()->isVisible());
    enter(menu->item(1));
    QTest::mouseClick(menu->submenu()->item(1), Qt::LeftButton);
    EXPECT_EQ(window.take(), (std::vector<Message>{{1281, 1 << 16, 22 << 16 | 6}}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(menu.isNull());  // closed and gone after the choice
}

TEST_F(MenuTest, SubmenuOpensLeftAtTheScreenEdge) {
    const QRect area = menu->screen()->availableGeometry();
    QPointer<CBmpMenu> edge = CBmpMenu::open(&window, QPoint(area.right() - 150, area.bottom() - 30), items,
                                             {folder.path(), "n.png", "o.png", "d.png"});
    EXPECT_LE(edge->geometry().bottom(), area.bottom());  // the menu itself is kept on the screen
    enter(edge->item(1));
    ASSERT_TRUE(edge->submenu());
    EXPECT_EQ(edge->submenu()->x(), edge->x() - edge->submenu()->width());
    EXPECT_EQ(edge->submenu()->y(), edge->y() + 24);  // fits above the bottom: level with its item
    edge->close();
}

TEST_F(MenuTest, KeyboardChoosesAndEscCloses) {
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Right);
    ASSERT_TRUE(menu->submenu());
    QTest::keyClick(menu->submenu(), Qt::Key_Down);
    QTest::keyClick(menu->submenu(), Qt::Key_Return);
    EXPECT_EQ(window.take(), (std::vector<Message>{{1281, 1 << 16, 22 << 16 | 5}}));

    QPointer<CBmpMenu> second = CBmpMenu::open(&window, QPoint(10, 10), items, {folder.path(), "n.png", "o.png", "d.png"});
    QTest::keyClick(second, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(second.isNull());
    EXPECT_TRUE(window.take().empty());
}
#endif
