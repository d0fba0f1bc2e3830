// The window with the real service and the virtual mouse: a profile button changes the mouse's
// current profile, and a profile chosen on the mouse shows in the window.
#include <gtest/gtest.h>

#include <QTest>

#include "panel/main_dialog.h"
#include "qtbridge/qt_reactor.h"
#include "skin/bitmap_button.h"
#include "tests/service/harness.h"

namespace {

using layout::Role;

bool eventuallyTrue(const std::function<bool()>& done, int ms) {
    for (int waited = 0; waited < ms && !done(); waited += 20) QTest::qWait(20);
    return done();
}

TEST(PanelWithService, ProfileButtonsReachTheMouseAndMouseProfilesReachTheWindow) {
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

    ASSERT_TRUE(h.report("08 01 03"));  // profile 4 chosen on the mouse
    EXPECT_TRUE(eventuallyTrue([&] { return dialog.button(Role::Profile, 3)->isChecked(); }, 10000));
    EXPECT_FALSE(dialog.button(Role::Profile, 2)->isChecked());
}

}  // namespace
