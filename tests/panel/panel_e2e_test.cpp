// The window with the real service and the virtual mouse, driven through its controls: each kind of
// change reaches the mouse's memory, and a profile chosen on the mouse shows in the window.
#include <gtest/gtest.h>

#include <QTest>

#include "panel/main_dialog.h"
#include "qtbridge/qt_reactor.h"
#include "service/device/config_protocol.h"
#include "skin/bitmap_button.h"
#include "skin/bitmap_menu.h"
#include "tests/service/harness.h"

namespace {

using layout::Role;

bool eventuallyTrue(const std::function<bool()>& done, int ms) {
    for (int waited = 0; waited < ms && !done(); waited += 20) QTest::qWait(20);
    return done();
}

TEST(PanelWithService, EachKindOfChangeReachesTheMouseAndMouseProfilesReachTheWindow) {
    e2e::Harness h;
    ASSERT_TRUE(h.ready());
    ASSERT_TRUE(h.startMouse());
    ASSERT_TRUE(h.startService(true, true));
    h.stopPanelListener();

    QtReactor reactor;
    panel::ServiceMessenger messenger;
    panel::PanelModel model(panel::userPaths(KORVANTE_BIN_DIR), messenger);
    panel::CMocfgDlg dialog(model, messenger);
    dialog.initialise();
    panel::PanelBus bus(reactor, dialog);
    ASSERT_TRUE(bus.create());
    dialog.show();
    dialog.createPages();
    EXPECT_TRUE(dialog.stateText().isEmpty()) << dialog.stateText().toStdString();  // mouse and service there

    dialog.showPage(layout::kButtonPage);
    QTest::mouseClick(dialog.button(Role::Profile, 2), Qt::LeftButton);
    EXPECT_TRUE(eventuallyTrue([&] { return h.dump(0x2c, 2) == std::vector<uint8_t>{2, 0}; }, 10000));

    // A button function: Editing → Copy on the fourth button of profile 3.
    const auto buttonBefore = h.dump(devmap::buttonAddress(2, 3), 4);
    QTest::mouseClick(dialog.button(Role::ButtonLabel, 3), Qt::LeftButton);
    ASSERT_NE(dialog.popup(), nullptr);
    dialog.popup()->openSubmenu(8);
    ASSERT_NE(dialog.popup()->submenu(), nullptr);
    QTest::mouseClick(dialog.popup()->submenu()->item(1), Qt::LeftButton);
    EXPECT_TRUE(eventuallyTrue([&] { return h.dump(devmap::buttonAddress(2, 3), 4) != buttonBefore; }, 10000));

    // The report rate, a DPI stage's value (the slider moved with the keyboard) and the lighting.
    dialog.showPage(layout::kDpiPage);
    QTest::mouseClick(dialog.button(Role::ReportRate, 3), Qt::LeftButton);
    EXPECT_TRUE(eventuallyTrue([&] { return h.dump(0x32, 6) == std::vector<uint8_t>{1, 0, 1, 0, 1, 0}; }, 10000));
    const int stage = model.currentStage();
    const uint16_t stageAddress = devmap::kProfileBase[2] + devmap::kDpiStageOffset + 6 * stage;
    const auto stageBefore = h.dump(stageAddress, 5);
    QWidget* slider = dialog.control(Role::DpiSliderCommon);
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_TRUE(eventuallyTrue([&] { return h.dump(stageAddress, 5) != stageBefore; }, 10000));
    dialog.showPage(layout::kLightingPage);
    const auto lightBefore = h.dump(devmap::kLedMask, 1);
    QTest::mouseClick(dialog.button(Role::LightOff), Qt::LeftButton);
    EXPECT_TRUE(eventuallyTrue([&] { return h.dump(devmap::kLedMask, 1) != lightBefore; }, 10000));

    ASSERT_TRUE(h.report("08 01 03"));  // profile 4 chosen on the mouse
    EXPECT_TRUE(eventuallyTrue([&] { return dialog.button(Role::Profile, 3)->isChecked(); }, 10000));
    EXPECT_FALSE(dialog.button(Role::Profile, 2)->isChecked());
}

}  // namespace
