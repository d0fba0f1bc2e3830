// The macro page driven through the window: real clicks and keys on its controls, capture reports
// posted as the plugin posts them, and a stand-in service that records the window's messages.
#include "panel/macro/macro_page.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "panel/dialogs/edit_delay_dialog.h"
#include "panel/hook_library.h"
#include "panel/layout/window_layout.h"
#include "panel/main_dialog.h"
#include "platform/message_bus.h"
#include "qtbridge/qt_reactor.h"
#include "shared/macro_file.h"
#include "shared/window_messages.h"
#include "skin/bitmap_button.h"
#include "skin/colour_edit.h"
#include "skin/list_box_ex.h"
#include "tests/actions/actions_test_support.h"
#include "tests/support/private_session.h"
#include "tests/support/prompt_answers.h"

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

    testsupport::PromptAnswers prompts_;
    testsupport::PrivateEnvironment env_{"korvante-macro-page"};
    QtReactor reactor_;
    std::vector<Sent> sent_;
    platform::Window service_{reactor_, [this](uint32_t m, int64_t w, int64_t l) -> int64_t {
                                  // The window's question about the shortcuts' reach is not the page's.
                                  if (m != msg::kShortcutQuery) sent_.push_back({m, w, l});
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
    prompts_.answerDialog<dialogs::CEditDelay>([](dialogs::CEditDelay& dialog) {
        EXPECT_EQ(dialog.field()->selectedText(), dialog.field()->text());  // the value is selected
        QTest::keyClick(dialog.windowHandle(), Qt::Key_0);
        QTest::keyClick(dialog.windowHandle(), Qt::Key_Return);
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

TEST_F(MacroPageTest, TheTypedFixedDelayIsTheOneInsertedAndStaysWhenAnotherMacroComes) {
    command(layout::kMacroNew);
    command(layout::kMacroNew);
    command(layout::kMacroDelayFixed);
    auto* field = qobject_cast<skin::CClrEdit*>(dialog_.control(Role::MacroCommand, layout::kMacroDelayField));
    ASSERT_TRUE(field != nullptr && field->isEnabled());
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, "250");
    deliver();
    command(layout::kMacroEventMenu);
    ASSERT_NE(page_->eventMenu(), nullptr);
    QTest::mouseClick(page_->eventMenu()->item(4), Qt::LeftButton);  // a left click with the fixed delay
    deliver();
    EXPECT_EQ(texts(), (std::vector<std::string>{"Left Click", "250 ms", "Left Click", "250 ms"}));
    click(Role::MacroName);  // the other macro, from the name list
    ASSERT_NE(page_->nameMenu(), nullptr);
    QTest::mouseClick(page_->nameMenu()->findChild<skin::CListBoxEx*>(), Qt::LeftButton, {}, QPoint(30, 12));
    deliver();
    EXPECT_EQ(page_->currentName(), "New Macro 1");
    EXPECT_EQ(field->text(), "250");
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
    prompts_.answerQuestion(false);
    command(layout::kMacroRemove);
    EXPECT_EQ(prompts_.asked.back().text, dialog_.text("WARN2", "BUTTONPAGE"));
    EXPECT_EQ(page_->currentName(), "New Macro 2");
    prompts_.answerQuestion(true);
    command(layout::kMacroRemove);
    EXPECT_EQ(page_->currentName(), "New Macro 1");
    EXPECT_EQ(take(), (std::vector<Sent>{{msg::kMacroSlot, 1, 1}, {msg::kApplyAll, 0, 0}}));
}

TEST_F(MacroPageTest, WithoutThePluginTheWindowsOwnKeysAreRecordedAndTheNoteSaysSo) {
    dialog_.setHooks([this](bool on) { hooks_.push_back(on); }, true);
    command(layout::kMacroNew);
    command(layout::kMacroDelayNone);
    command(layout::kMacroRecord);
    QTest::keyClick(page_->list(), Qt::Key_A);
    QTest::keyClick(&dialog_, Qt::Key_Space);  // taken as a key, not a press of the focused button
    deliver();
    command(layout::kMacroStop);
    EXPECT_EQ(texts(), (std::vector<std::string>{"A", "A", "Space Bar", "Space Bar"}));
    EXPECT_EQ(file("New Macro 1").count, 4);
    bool noteShown = false;
    for (auto* l : dialog_.findChildren<QLabel*>()) noteShown |= l->isVisible() && l->text().contains("this window");
    EXPECT_TRUE(noteShown);
}

TEST_F(MacroPageTest, AFailedSaveIsReportedAndTheMoveEditorTitleComesFromTheStrings) {
    command(layout::kMacroNew);
    command(layout::kMacroEventMenu);
    ASSERT_NE(page_->eventMenu(), nullptr);
    QTest::mouseClick(page_->eventMenu()->item(8), Qt::LeftButton);  // move right into the empty macro
    deliver();
    QString title;
    prompts_.answerDialog<dialogs::CEditDelay>([&title](dialogs::CEditDelay& dialog) { title = dialog.title(); });
    QTest::mouseDClick(page_->list(), Qt::LeftButton, {}, QPoint(40, 10));
    deliver();
    EXPECT_EQ(title, "Distance (1-120)");

    // The macro folder replaced by a file: the next save cannot be written and says so.
    std::filesystem::remove_all(model_.paths().macroFolder);
    { std::ofstream(model_.paths().macroFolder) << "x"; }
    take();
    command(layout::kMacroLoopToggle);
    ASSERT_EQ(prompts_.asked.back().kind, testsupport::PromptAnswers::Kind::Message);
    const QString warning = prompts_.asked.back().text;
    EXPECT_TRUE(warning.contains("could not be saved")) << warning.toStdString();
    EXPECT_TRUE(take().empty());  // nothing announced that was not written
}

// The plugin on a private Xvfb display, as cfgpanel loads it: keys and buttons injected with XTest
// while recording arrive as records in the list.
class MacroPageX11Test : public MacroPageTest {
protected:
    void SetUp() override {
        if (!actions_test::XvfbServer::available()) GTEST_SKIP() << "Xvfb is not installed";
        server_ = std::make_unique<actions_test::XvfbServer>();
        ASSERT_TRUE(server_->running());
        env_.set("DISPLAY", server_->name());
        MacroPageTest::SetUp();
        ASSERT_TRUE(plugin_.load(KORVANTE_BIN_DIR));
        plugin_.install(KBHookTarget{&dialog_, [](void* window, uint32_t m, int64_t w, int64_t l) {
                                         static_cast<panel::CMocfgDlg*>(window)->postMessage(m, w, l);
                                     }});
        dialog_.setHooks(
            [this](bool on) {
                plugin_.enableKeys(on);
                plugin_.enableMouse(on);
            },
            false);
        client_ = XOpenDisplay(server_->name().c_str());
        ASSERT_NE(client_, nullptr);
    }
    void TearDown() override {
        plugin_.remove();
        if (client_ != nullptr) XCloseDisplay(client_);
    }
    void key(KeySym sym, bool down) {
        XTestFakeKeyEvent(client_, XKeysymToKeycode(client_, sym), down, 0);
        XSync(client_, False);
    }
    void button(unsigned number, bool down) {
        XTestFakeButtonEvent(client_, number, down, 0);
        XSync(client_, False);
    }
    bool waitForItems(int count) {
        for (int waited = 0; waited < 5000 && page_->list()->count() < count; waited += 20) QTest::qWait(20);
        return page_->list()->count() >= count;
    }

    std::unique_ptr<actions_test::XvfbServer> server_;
    panel::HookLibrary plugin_;
    Display* client_ = nullptr;
};

TEST_F(MacroPageX11Test, InjectedKeysAndButtonsBecomeRecords) {
    command(layout::kMacroNew);
    command(layout::kMacroDelayNone);
    key(XK_b, true);  // before the recording: not taken
    key(XK_b, false);
    command(layout::kMacroRecord);
    QTest::qWait(200);  // the plugin's reader is listening
    key(XK_a, true);
    key(XK_a, false);
    button(3, true);
    button(3, false);
    ASSERT_TRUE(waitForItems(4));
    command(layout::kMacroStop);
    EXPECT_EQ(texts(), (std::vector<std::string>{"A", "A", "Right Click", "Right Click"}));
    const macro::MacroFileData saved = file("New Macro 1");
    EXPECT_EQ(saved.count, 4);
    EXPECT_EQ(macro::eventAt(saved.block, 0), macro::keyEvent(4, true));
    EXPECT_EQ(macro::eventAt(saved.block, 3), macro::buttonEvent(macro::kButtonRight, false));
    key(XK_c, true);  // after Stop: not taken
    key(XK_c, false);
    QTest::qWait(200);
    EXPECT_EQ(page_->list()->count(), 4);
}

}  // namespace
