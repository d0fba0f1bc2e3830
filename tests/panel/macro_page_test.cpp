// The macro page driven through the window: real clicks and keys on its controls, capture reports
// posted as the plugin posts them, and a stand-in service that records the window's messages.
#include "panel/macro/macro_page.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <functional>

#include "panel/dialogs/edit_delay_dialog.h"
#include "panel/layout/window_layout.h"
#include "panel/main_dialog.h"
#include "platform/message_bus.h"
#include "qtbridge/qt_reactor.h"
#include "shared/macro_file.h"
#include "shared/window_messages.h"
#include "skin/bitmap_button.h"
#include "skin/colour_edit.h"
#include "skin/list_box_ex.h"
#include "tests/support/private_session.h"

namespace {

using layout::Role;

struct Sent {
    uint32_t message;
    int64_t wParam, lParam;
    bool operator==(const Sent&) const = default;
};

class MacroPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(env_.ready());
        ASSERT_TRUE(service_.create(title::kService));
        dialog_.setHooks([this](bool on) { hooks_.push_back(on); }, false);
        dialog_.initialise();
        dialog_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog_));
        dialog_.createPages();
        dialog_.showPage(layout::kMacroPage);
        page_ = dialog_.macroPage();
        ASSERT_NE(page_, nullptr);
    }
    void click(Role role, int index = 0) {
        QWidget* w = dialog_.control(role, index);
        ASSERT_NE(w, nullptr);
        ASSERT_TRUE(w->isVisible() && w->isEnabled()) << static_cast<int>(role) << " " << index;
        QTest::mouseClick(w, Qt::LeftButton);
        QTest::qWait(10);
    }
    void command(int index) { click(Role::MacroCommand, index); }
    // Runs `act` on the next modal widget that opens (a message box or dialog).
    void onNextModal(std::function<void(QWidget*)> act) {
        QTimer::singleShot(60, [act] {
            if (QWidget* modal = QApplication::activeModalWidget()) act(modal);
        });
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (int i = 0; i < page_->list()->count(); ++i) out.push_back(page_->list()->text(i).toStdString());
        return out;
    }
    macro::MacroFileData file(const std::string& name) {
        macro::MacroFileData data;
        macro::readMacroFile(model_.paths().macroFolder + "/" + name + ".macro", data, -1);
        return data;
    }
    void deliver() {
        QTest::qWait(60);  // posted messages, the bus
    }
    std::vector<Sent> take() {
        deliver();
        return std::exchange(sent_, {});
    }

    testsupport::PrivateEnvironment env_{"korvante-macro-page"};
    QtReactor reactor_;
    std::vector<Sent> sent_;
    platform::Window service_{reactor_, [this](uint32_t m, int64_t w, int64_t l) -> int64_t {
                                  sent_.push_back({m, w, l});
                                  return 0;
                              }};
    panel::ServiceMessenger messenger_;
    panel::PanelModel model_{panel::userPaths(KORVANTE_BIN_DIR), messenger_};
    panel::CMocfgDlg dialog_{model_, messenger_};
    panel::MacroPage* page_ = nullptr;
    std::vector<bool> hooks_;
};

TEST_F(MacroPageTest, RecordingTakesThePluginReportsAndStopSavesAndNotifies) {
    EXPECT_FALSE(dialog_.control(Role::MacroCommand, layout::kMacroRecord)->isEnabled());  // no macro yet
    command(layout::kMacroNew);
    EXPECT_EQ(page_->currentName(), "New Macro 1");
    take();
    command(layout::kMacroDelayNone);
    command(layout::kMacroRecord);
    EXPECT_EQ(hooks_.back(), true);
    EXPECT_FALSE(dialog_.control(Role::MacroName)->isEnabled());
    const Sent reports[] = {{panel::kHookKey, 65, 0}, {panel::kHookKey, 65, 0}, {panel::kHookKey, 65, 128},
                            {panel::kHookMouse, macro::kRightDown, 9}, {panel::kHookMouse, macro::kRightUp, 9}};
    for (const Sent& r : reports) dialog_.postMessage(r.message, r.wParam, r.lParam);
    // A notice from the service meanwhile redraws the window; the recording goes on.
    dialog_.postMessage(msg::kMouseChanged, msg::kChangedReload, 0);
    dialog_.postMessage(panel::kHookKey, 66, 0);
    deliver();
    EXPECT_TRUE(page_->editor().recording());
    EXPECT_EQ(texts(), (std::vector<std::string>{"A", "A", "Right Click", "Right Click", "B"}));
    EXPECT_EQ(page_->list()->itemData(0), skin::kItemPressed);
    EXPECT_EQ(page_->list()->itemData(1), skin::kItemReleased);
    command(layout::kMacroStop);
    EXPECT_EQ(hooks_.back(), false);
    const macro::MacroFileData saved = file("New Macro 1");
    EXPECT_EQ(saved.count, 5);
    EXPECT_EQ(macro::eventAt(saved.block, 4), macro::keyEvent(5, true));
    EXPECT_EQ(take(), (std::vector<Sent>{{msg::kMacroSlot, 0, 0}}));
    EXPECT_NE(page_->infoText().indexOf("5"), -1);
}

TEST_F(MacroPageTest, EventMenuInsertsAndDoubleClickEditsADelay) {
    command(layout::kMacroNew);
    command(layout::kMacroEventMenu);
    skin::CBmpMenu* menu = page_->eventMenu();
    ASSERT_NE(menu, nullptr);
    QTest::mouseClick(menu->item(4), Qt::LeftButton);  // insert left click into the empty macro
    deliver();
    EXPECT_EQ(texts(), (std::vector<std::string>{"Left Click", "10 ms", "Left Click", "10 ms"}));
    EXPECT_EQ(file("New Macro 1").count, 4);
    take();

    // The delay at row 1: typed below 10 ms it is one step, never an empty record.
    onNextModal([](QWidget* modal) {
        auto* dialog = qobject_cast<dialogs::CEditDelay*>(modal);
        if (dialog == nullptr) return;
        dialog->field()->clear();
        QTest::keyClicks(dialog->field(), "0");
        QTest::keyClick(dialog->field(), Qt::Key_Return);
    });
    const int row = page_->list()->itemHeight();
    QTest::mouseDClick(page_->list(), Qt::LeftButton, {}, QPoint(40, row + row / 2));
    deliver();
    EXPECT_EQ(macro::eventAt(file("New Macro 1").block, 1), macro::makeEvent(macro::kKindDelay, false, 1));
    EXPECT_EQ(page_->list()->text(1), "10 ms");
    EXPECT_EQ(take(), (std::vector<Sent>{{msg::kMacroSlot, 0, 0}}));

    // Right click on the last row, then "Move Up" from the menu: after the selected delay.
    QTest::mouseClick(page_->list(), Qt::RightButton, {}, QPoint(40, 3 * row + row / 2));
    menu = page_->eventMenu();
    ASSERT_NE(menu, nullptr);
    QTest::mouseClick(menu->item(9), Qt::LeftButton);
    deliver();
    EXPECT_EQ(page_->list()->text(4), "Move Up : 10");
    EXPECT_EQ(page_->list()->currentSelection(), 5);
}

TEST_F(MacroPageTest, LoopToggleAndFieldFollowTheCurrentMacro) {
    command(layout::kMacroNew);
    command(layout::kMacroNew);  // "New Macro 2" is current
    auto* loopField = qobject_cast<skin::CClrEdit*>(dialog_.control(Role::MacroCommand, layout::kMacroLoopField));
    ASSERT_NE(loopField, nullptr);
    EXPECT_FALSE(loopField->isEnabled());
    command(layout::kMacroLoopToggle);
    EXPECT_EQ(loopField->text(), "1");
    EXPECT_EQ(file("New Macro 2").loopTime, 1);
    loopField->setFocus();
    loopField->selectAll();
    QTest::keyClicks(loopField, "300");  // the field holds three digits; 300 is held at 255
    deliver();
    EXPECT_EQ(loopField->text(), "255");
    EXPECT_EQ(file("New Macro 2").loopTime, 255);

    // Choosing the first macro in the name list takes its own loop count (0: toggle off).
    click(Role::MacroName);
    QWidget* names = page_->nameMenu();
    ASSERT_NE(names, nullptr);
    auto* list = names->findChild<skin::CListBoxEx*>();
    QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(30, 12));
    deliver();
    EXPECT_EQ(page_->currentName(), "New Macro 1");
    EXPECT_EQ(loopField->text(), "0");
    EXPECT_FALSE(dialog_.button(Role::MacroCommand, layout::kMacroLoopToggle)->isChecked());
    EXPECT_EQ(file("New Macro 2").loopTime, 255);
}

TEST_F(MacroPageTest, DeleteAsksThenTellsTheServiceAndMakesTheFirstCurrent) {
    command(layout::kMacroNew);
    command(layout::kMacroNew);
    take();
    onNextModal([](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) box->button(QMessageBox::Cancel)->click();
    });
    command(layout::kMacroRemove);
    EXPECT_EQ(page_->currentName(), "New Macro 2");
    onNextModal([](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) box->button(QMessageBox::Ok)->click();
    });
    command(layout::kMacroRemove);
    EXPECT_EQ(page_->currentName(), "New Macro 1");
    EXPECT_EQ(take(), (std::vector<Sent>{{msg::kMacroSlot, 1, 1}, {msg::kApplyAll, 0, 0}}));
}

}  // namespace
