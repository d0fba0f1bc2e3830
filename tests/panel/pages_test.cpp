// The performance and lighting pages driven through the window by clicks, drags and menu choices:
// what each control stores and what the service hears. The values each change keeps are the
// settings rules' (tests/store/settings_rules_test.cpp).
#include <gtest/gtest.h>

#include <QTest>

#include <vector>

#include "panel/main_dialog.h"
#include "panel/pages/lighting_page.h"
#include "panel/pages/performance_page.h"
#include "shared/window_messages.h"
#include "skin/bitmap_button.h"
#include "skin/bitmap_menu.h"
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
    // What the window's controls posted to it, then the requests since the last take.
    std::vector<Sent> take() {
        deliver();
        std::vector<Sent> sent = std::exchange(service_.sent, {});
        std::erase_if(sent, [](const Sent& s) { return s.message == msg::kShortcutQuery; });  // the strip's
        return sent;
    }
    static void deliver() { QCoreApplication::sendPostedEvents(); }
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
        QTest::mouseClick(common, Qt::LeftButton, {}, QPoint(c.x, common->height() / 2));
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
    EXPECT_EQ(panel::stageCaption("Stage", 6, DpiStage{1, 30, 7, 9}), "Stage 7\n350\n450");
    EXPECT_EQ(panel::stageCaption("Stage", 2, DpiStage{0, 30, 7, 9}), "Stage 3\n1500\n1500");
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
    bool zeroShown = false;
    for (auto* label : dialog_.findChildren<skin::CStaticTrans*>()) zeroShown |= label->isVisible() && label->text() == "0";
    EXPECT_TRUE(zeroShown);
    EXPECT_TRUE(take().empty());
    QTest::mouseRelease(thumb, Qt::LeftButton, {}, QPoint(-level->width(), grip.y()));
    EXPECT_EQ(take(), (std::vector<Sent>{{msg::kLighting, 0, 0, false}}));
}

}  // namespace
