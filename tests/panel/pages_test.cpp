// The performance and lighting pages driven through the window by clicks, drags and menu choices:
// what each control stores and what the service hears. The values each change keeps are the
// settings rules' (tests/store/settings_rules_test.cpp).
#include <gtest/gtest.h>

#include <QTest>

#include <functional>
#include <vector>

#include "panel/main_dialog.h"
#include "panel/pages/lighting_page.h"
#include "panel/pages/performance_page.h"
#include "shared/window_messages.h"
#include "skin/bitmap_button.h"
#include "skin/bitmap_menu.h"
#include "skin/colour_edit.h"
#include "skin/colour_select.h"
#include "skin/slider.h"
#include "skin/static_trans.h"
#include "tests/support/private_session.h"

namespace {

using layout::Role;

struct Sent {
    uint32_t message;
    int64_t wParam, lParam;
    bool waited;
    bool operator==(const Sent&) const = default;
};

class Recorder : public panel::ServiceMessenger {
public:
    bool post(uint32_t m, int64_t w, int64_t l) override { return sent.push_back({m, w, l, false}), true; }
    bool send(uint32_t m, int64_t w, int64_t l) override { return sent.push_back({m, w, l, true}), true; }
    bool serviceRunning() override { return true; }
    std::vector<Sent> sent;
};

class PagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(env_.ready());
        dialog_.initialise();
        dialog_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog_));
    }
    void click(Role role, int index = 0) {
        QWidget* w = dialog_.control(role, index);
        ASSERT_TRUE(w != nullptr && w->isVisible()) << static_cast<int>(role) << " " << index;
        QTest::mouseClick(w, Qt::LeftButton);
        deliver();
    }
    void home() {
        if (dialog_.control(Role::TabHome)->isVisible()) click(Role::TabHome);
    }
    // What the window's controls posted to it, then the requests since the last take.
    std::vector<Sent> take() {
        deliver();
        std::vector<Sent> sent = std::exchange(service_.sent, {});
        std::erase_if(sent, [](const Sent& s) { return s.message == msg::kShortcutQuery; });  // the strip's
        return sent;
    }
    // Posted messages, and those their handlers post in turn (a field's key to its selector, the
    // selector's colour to the window).
    static void deliver() {
        for (int round = 0; round < 3; ++round) QCoreApplication::sendPostedEvents();
    }
    skin::CPngHSliderBar* slider(Role role) { return qobject_cast<skin::CPngHSliderBar*>(dialog_.control(role)); }
    MouseSettings& settings() { return model_.working(); }

    testsupport::PrivateEnvironment env_{"korvante-pages"};
    Recorder service_;
    panel::PanelModel model_{panel::userPaths(KORVANTE_BIN_DIR), service_};
    panel::CMocfgDlg dialog_{model_, service_};
};

TEST_F(PagesTest, DpiSlidersStoreWhatTheMouseKeepsAndAnnounceEachRelease) {
    click(Role::TabDpi);
    click(Role::DpiStage, 2);
    EXPECT_EQ(take(), (std::vector<Sent>{{msg::kDpiOrAcceleration, 0, 0, false}}));
    EXPECT_EQ(settings().DPI, 2);
    skin::CPngHSliderBar* common = slider(Role::DpiSliderCommon);
    ASSERT_TRUE(common != nullptr && common->isVisible());
    // A click on the track: the press and the release both report the value; it is announced once.
    const struct {
        int x;
        int32_t stored;
    } clicks[] = {{0, 2}, {common->width() - 1, 320}};
    for (const auto& c : clicks) {
        // The service's notice of its write comes between the press and the release.
        QTest::mousePress(common, Qt::LeftButton, {}, QPoint(c.x, common->height() / 2));
        deliver();
        dialog_.onMessage(msg::kMouseChanged, 0, 0);
        QTest::mouseRelease(common, Qt::LeftButton, {}, QPoint(c.x, common->height() / 2));
        EXPECT_EQ(take(), (std::vector<Sent>{{msg::kDpiValues, 2, 0, false}})) << c.x;
        EXPECT_EQ(settings().dpiStages[2].common, c.stored) << c.x;
    }
    // Dragging the thumb stores silently; its release announces.
    QWidget* thumb = common->thumb();
    const QPoint grip = thumb->rect().center();
    QTest::mousePress(thumb, Qt::LeftButton, {}, grip);
    QTest::mouseMove(thumb, grip - QPoint(common->width() / 2, 0));
    deliver();
    EXPECT_LT(settings().dpiStages[2].common, 320);
    EXPECT_TRUE(take().empty());
    QTest::mouseRelease(thumb, Qt::LeftButton, {}, grip - QPoint(common->width() / 2, 0));
    EXPECT_EQ(take(), (std::vector<Sent>{{msg::kDpiValues, 2, 0, false}}));
    EXPECT_EQ(common->value(), settings().dpiStages[2].common);

    // Separate axes: the X and Y sliders take the common slider's place.
    click(Role::DpiSeparate);
    EXPECT_EQ(take(), (std::vector<Sent>{{msg::kDpiValues, 2, 0, false}}));
    EXPECT_FALSE(common->isVisible());
    EXPECT_TRUE(slider(Role::DpiSliderX)->isVisible() && slider(Role::DpiSliderY)->isVisible());
    settings().dpiStages[6] = DpiStage{1, 30, 7, 9};
    click(Role::DpiStage, 6);
    EXPECT_EQ(dialog_.button(Role::DpiStage, 6)->caption().toStdString(),
              panel::stageCaption(dialog_.text("DPISTAGE", "BUTTONPAGE").toStdString(), 6, settings().dpiStages[6]));
    EXPECT_EQ(panel::stageCaption("Stage", 6, DpiStage{1, 30, 7, 9}), "Stage 7\n350 / 450\nX / Y DPI");
    EXPECT_EQ(panel::stageCaption("Stage", 2, DpiStage{0, 30, 7, 9}), "Stage 3\n1500 DPI");
}

// Each slider offers only what the mouse keeps: keys walk it (arrows one, Page ten, Home and End to
// the ends), each key one save and one request; a click on the thumb gives it the keys.
TEST_F(PagesTest, SlidersKeepTheMouseValuesAndMoveByKeys) {
    settings().dpiStages[1] = DpiStage{0, 30, 30, 30};
    settings().ledModes[0] = LedModeInfo{0, 2, 5};
    settings().Acceleration = 5;
    const struct {
        Role tab, slider;
        std::function<int32_t(MouseSettings&)> stored;
        Sent request;
        std::vector<std::pair<Qt::Key, int32_t>> keys;
    } cases[] = {
        {Role::TabDpi, Role::DpiSliderCommon, [](MouseSettings& m) { return m.dpiStages[1].common; },
         {msg::kDpiValues, 1, 0, false},
         {{Qt::Key_Right, 31}, {Qt::Key_Up, 32}, {Qt::Key_PageUp, 42}, {Qt::Key_PageDown, 32}, {Qt::Key_Left, 31},
          {Qt::Key_Down, 30}, {Qt::Key_End, 320}, {Qt::Key_Home, 2}}},
        {Role::TabLighting, Role::LightRate, [](MouseSettings& m) { return m.ledModes[0].rate; },
         {msg::kLighting, 0, 0, false}, {{Qt::Key_PageUp, 8}, {Qt::Key_Home, 1}}},
        {Role::TabLighting, Role::LightLevel, [](MouseSettings& m) { return m.ledModes[0].level; },
         {msg::kLighting, 0, 0, false}, {{Qt::Key_End, 4}, {Qt::Key_PageDown, 1}}},
        {Role::TabDpi, Role::AccelerationSlider, [](MouseSettings& m) { return m.Acceleration; },
         {msg::kDpiOrAcceleration, 255, 255, false}, {{Qt::Key_End, 13}, {Qt::Key_Home, 1}}},
    };
    for (const auto& c : cases) {
        home();
        click(c.tab);
        if (c.tab == Role::TabDpi) click(Role::DpiStage, 1);
        skin::CPngHSliderBar* bar = slider(c.slider);
        ASSERT_TRUE(bar != nullptr && bar->isVisible());
        QTest::mouseClick(bar->thumb(), Qt::LeftButton, {}, bar->thumb()->rect().center());
        EXPECT_EQ(dialog_.focusWidget(), bar);
        take();
        for (auto [key, stored] : c.keys) {
            QTest::keyClick(bar, key);
            deliver();
            EXPECT_EQ(c.stored(settings()), stored) << static_cast<int>(c.slider) << " " << key;
            EXPECT_EQ(take(), std::vector<Sent>{c.request}) << static_cast<int>(c.slider) << " " << key;
        }
    }
    // The lowest brightness reads as a level, not as off.
    bool zeroShown = false, oneShown = false;
    home();
    click(Role::TabLighting);
    for (auto* label : dialog_.findChildren<skin::CStaticTrans*>()) {
        zeroShown |= label->isVisible() && label->text() == "0";
        oneShown |= label->isVisible() && label->text() == "1";
    }
    EXPECT_FALSE(zeroShown);
    EXPECT_TRUE(oneShown);
}

// A DPI value typed in: a double-click on a stage tile or on a slider's value opens the field;
// Enter stores the nearest step the mouse keeps (one save, one request), Escape nothing.
TEST_F(PagesTest, DpiValuesAreTypedOnTilesAndValues) {
    settings().dpiStages[3] = DpiStage{0, 30, 30, 30};
    settings().dpiStages[4] = DpiStage{1, 30, 10, 20};
    click(Role::TabDpi);
    // The value shown right of a visible slider, at its height.
    auto valueOf = [&](Role role) -> QWidget* {
        if (!slider(role)->isVisible()) return nullptr;
        const QRect r = slider(role)->geometry();
        for (auto* label : dialog_.findChildren<skin::CStaticTrans*>())
            if (label->isVisible() && label->geometry().left() > r.right() && label->geometry().center().y() == r.center().y())
                return label;
        return nullptr;
    };
    const struct {
        int stage;
        Role opened;  // Role::DpiStage: the tile; else the value beside that slider
        const char* typed;
        Qt::Key end;
        int32_t DpiStage::*axis;
        int32_t stored;
    } cases[] = {
        {3, Role::DpiStage, "1234", Qt::Key_Return, &DpiStage::common, 25},
        {3, Role::DpiSliderCommon, "20000", Qt::Key_Enter, &DpiStage::common, 320},
        {4, Role::DpiStage, "90", Qt::Key_Return, &DpiStage::x, 2},
        {4, Role::DpiSliderY, "700", Qt::Key_Escape, &DpiStage::y, 20},
    };
    for (const auto& c : cases) {
        click(Role::DpiStage, c.stage);
        ASSERT_EQ(settings().DPI, c.stage);
        EXPECT_EQ(valueOf(c.opened == Role::DpiStage ? Role::DpiSliderX : Role::DpiSliderY) != nullptr,
                  settings().dpiStages[c.stage].separate != 0);  // each axis named and valued
        QWidget* target = c.opened == Role::DpiStage ? dialog_.control(Role::DpiStage, c.stage) : valueOf(c.opened);
        ASSERT_NE(target, nullptr) << c.typed;
        QTest::mouseDClick(target, Qt::LeftButton);
        take();
        skin::CClrEdit* field = nullptr;
        for (auto* edit : dialog_.findChildren<skin::CClrEdit*>()) field = edit->isVisible() ? edit : field;
        ASSERT_NE(field, nullptr) << c.typed;
        field->clear();
        QTest::keyClicks(field, c.typed);
        QTest::keyClick(field, c.end);
        EXPECT_FALSE(field->isVisible());
        EXPECT_EQ(settings().dpiStages[c.stage].*c.axis, c.stored) << c.typed;
        const std::vector<Sent> request{{msg::kDpiValues, c.stage, 0, false}};
        EXPECT_EQ(take(), c.end == Qt::Key_Escape ? std::vector<Sent>{} : request) << c.typed;
    }
}

TEST_F(PagesTest, SteppedValuesOptionsAndReportRate) {
    click(Role::TabDpi);
    take();
    settings().DoubleClickSpeed = 4;
    settings().WheelScrollLines = 10;
    click(Role::DoubleClickDown);  // at the slowest: kept, still saved and announced
    click(Role::WheelUp);          // at the most: kept
    EXPECT_EQ(settings().DoubleClickSpeed, 4);
    EXPECT_EQ(settings().WheelScrollLines, 10);
    EXPECT_EQ(qobject_cast<skin::CStaticTrans*>(dialog_.control(Role::WheelValue))->text(), "10");
    click(Role::AngleOn);
    click(Role::LiftHigh);
    EXPECT_EQ(settings().AngleV, 128);
    EXPECT_EQ(settings().LiftV, 1);
    EXPECT_TRUE(dialog_.button(Role::AngleOn)->isChecked() && !dialog_.button(Role::AngleOff)->isChecked());
    click(Role::AccelerationSwitch);
    EXPECT_EQ(take(), (std::vector<Sent>{{msg::kDoubleClickSpeed, 0, 0, false},
                                         {msg::kWheelLines, 0, 0, false},
                                         {msg::kLiftAngle, 0, 0, false},
                                         {msg::kLiftAngle, 0, 0, false},
                                         {msg::kDpiOrAcceleration, 255, 255, true}}));

    const int32_t intervals[] = {8, 4, 2, 1};
    for (int i = 0; i < 4; ++i) {
        click(Role::ReportRate, i);
        EXPECT_EQ(settings().PollingRate, intervals[i]);
        EXPECT_EQ(take(), (std::vector<Sent>{{msg::kPollingRate, 0, i, false}}));
        for (int b = 0; b < 4; ++b) EXPECT_EQ(dialog_.button(Role::ReportRate, b)->isChecked(), b == i) << i;
    }
}

TEST_F(PagesTest, LightingMenusSlidersAndSwitches) {
    settings().LedMode = 1;
    click(Role::TabLighting);
    click(Role::LightMode);
    ASSERT_NE(dialog_.popup(), nullptr);
    EXPECT_EQ(dialog_.popup()->itemCount(), 5);  // mode 6 is never offered
    EXPECT_EQ(dialog_.popup()->width(), dialog_.button(Role::LightMode)->width() - 2);  // as wide as its box
    QTest::mouseClick(dialog_.popup()->item(4), Qt::LeftButton);
    deliver();
    EXPECT_EQ(model_.lightingMode(), 5);
    click(Role::LightDirection);  // mode 5's own two directions
    ASSERT_NE(dialog_.popup(), nullptr);
    ASSERT_EQ(dialog_.popup()->itemCount(), 2);
    QTest::mouseClick(dialog_.popup()->item(1), Qt::LeftButton);
    deliver();
    EXPECT_EQ(settings().ledModes[4].direction, 4);
    EXPECT_EQ(dialog_.button(Role::LightDirection)->caption(), dialog_.text("LEDMODEDIR4", "BUTTONPAGE"));
    EXPECT_EQ(take(), (std::vector<Sent>(2, {msg::kLighting, 0, 0, false})));

    settings().ledModes[4].rate = 0;
    click(Role::LightRateSwitch);
    EXPECT_EQ(settings().ledModes[4].rate, 3);
    click(Role::LightRateSwitch);
    EXPECT_EQ(settings().ledModes[4].rate, 0);
    EXPECT_FALSE(slider(Role::LightRate)->isEnabled());  // no speed while it is off
    EXPECT_EQ(take().size(), 2u);

    // The level: dragged, stored silently and shown beside the slider; released, announced.
    skin::CPngHSliderBar* level = slider(Role::LightLevel);
    QWidget* thumb = level->thumb();
    const QPoint grip = thumb->rect().center();
    QTest::mousePress(thumb, Qt::LeftButton, {}, grip);
    QTest::mouseMove(thumb, QPoint(-level->width(), grip.y()));
    deliver();
    EXPECT_EQ(settings().ledModes[4].level, 1);
    bool lowestShown = false;  // as level 1, never "0" (which reads as off)
    for (auto* label : dialog_.findChildren<skin::CStaticTrans*>()) lowestShown |= label->isVisible() && label->text() == "1";
    EXPECT_TRUE(lowestShown);
    EXPECT_TRUE(take().empty());
    QTest::mouseRelease(thumb, Qt::LeftButton, {}, QPoint(-level->width(), grip.y()));
    EXPECT_EQ(take(), (std::vector<Sent>{{msg::kLighting, 0, 0, false}}));
}

// After a page change and after every refresh, a control is enabled from what the page shows: the
// direction for modes that have one (showing the mode's default when none is stored), the speed
// slider only while the speed is on. A click on a disabled slider changes nothing.
TEST_F(PagesTest, LightingControlsEnabledFromWhatTheyShow) {
    const struct {
        int mode, direction, rate;
        const char* directionKey;  // nullptr: none
    } cases[] = {{1, 0, 0, nullptr}, {2, 0, 3, "LEDMODEDIR1"}, {2, 2, 0, "LEDMODEDIR2"}, {3, 1, 5, nullptr},
                 {5, 0, 0, "LEDMODEDIR3"}, {5, 4, 8, "LEDMODEDIR4"}};
    for (const auto& c : cases) {
        home();
        settings().LedMode = c.mode;
        settings().ledModes[c.mode - 1] = LedModeInfo{c.direction, 4, c.rate};
        click(Role::TabLighting);
        skin::CBitmapBtn* direction = dialog_.button(Role::LightDirection);
        EXPECT_EQ(direction->isEnabled(), c.directionKey != nullptr) << c.mode;
        if (c.directionKey != nullptr) EXPECT_EQ(direction->caption(), dialog_.text(c.directionKey, "BUTTONPAGE"));
        else EXPECT_FALSE(direction->caption().isEmpty()) << c.mode;
        skin::CPngHSliderBar* rate = slider(Role::LightRate);
        EXPECT_EQ(rate->isEnabled(), c.rate != 0) << c.mode;
        take();
        QTest::mouseClick(rate, Qt::LeftButton, {}, QPoint(2, rate->height() / 2));
        deliver();
        EXPECT_EQ(settings().ledModes[c.mode - 1].rate, c.rate == 0 ? 0 : 1) << c.mode;
        EXPECT_EQ(take().size(), c.rate == 0 || c.rate == 1 ? 0u : 1u) << c.mode;
    }
}

// The colour field reads and takes "rrggbb"; the picker shows the stored colour when the page opens.
TEST_F(PagesTest, ColourFieldReadsRedFirstAndThePickerShowsTheStoredColour) {
    settings().LedColor = 0x0080FF;  // orange: red 255, green 128, blue 0
    click(Role::TabLighting);
    auto* selector = qobject_cast<skin::COwnColorSelect*>(dialog_.control(Role::ColorSelector));
    ASSERT_NE(selector, nullptr);
    EXPECT_EQ(selector->field(skin::kHexFieldId)->text(), "ff8000");
    const uint32_t drawn = selector->fieldColourAt(selector->marker().x(), selector->marker().y());
    EXPECT_LE(std::abs(int(drawn & 0xFF) - 255) + std::abs(int(drawn >> 8 & 0xFF) - 128) + int(drawn >> 16 & 0xFF), 20);
    take();
    skin::CClrEdit* hex = selector->field(skin::kHexFieldId);
    hex->clear();
    QTest::keyClicks(hex, "00a0ff");
    deliver();
    EXPECT_EQ(settings().LedColor, 0xFFA000);  // stored red in the low byte, as before
    EXPECT_EQ(take(), (std::vector<Sent>{{msg::kLighting, 0, 0, false}}));
}

}  // namespace
