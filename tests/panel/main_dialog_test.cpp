// The configuration window driven as a user and as the service would: real clicks on its
// controls, messages over a private bus, and a stand-in service window that records what reaches
// it together with the settings file as it was at that moment.
#include "panel/main_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <QListWidget>

#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "panel/dialogs/program_dialog.h"
#include "panel/layout/window_layout.h"
#include "platform/atomic_file.h"
#include "platform/known_folders.h"
#include "panel/dialogs/macro_select_dialog.h"
#include "shared/macro_library.h"
#include "panel/dialogs/macro_name_menu.h"
#include "platform/profile_ini.h"
#include "shared/macro_buttons.h"
#include "qtbridge/qt_reactor.h"
#include "shared/window_messages.h"
#include "skin/bitmap_button.h"
#include "skin/bitmap_menu.h"
#include "skin/static_trans.h"
#include "tests/support/private_session.h"
#include "tests/support/prompt_answers.h"

namespace {

using layout::Role;

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "test_panel";
        static char* argv[] = {name, nullptr};
        app_ = new QApplication(argc, argv);
    }
    void TearDown() override { delete app_; }

private:
    QApplication* app_ = nullptr;
};
[[maybe_unused]] ::testing::Environment* const kQt = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

bool eventually(const std::function<bool()>& done, int ms = 3000) {
    for (int waited = 0; waited < ms && !done(); waited += 10) QTest::qWait(10);
    return done();
}

struct Received {
    uint32_t message;
    int64_t wParam, lParam;
    std::string file;
};

// A window titled as the service, in this process, on Qt's loop.
class StandInService {
public:
    StandInService(platform::Reactor& reactor, std::string settingsPath)
        : path_(std::move(settingsPath)), window_(reactor, [this](uint32_t m, int64_t w, int64_t l) -> int64_t {
              received.push_back({m, w, l, platform::readWholeFile(path_).value_or("")});
              return 0;
          }) {}
    bool create() { return window_.create(title::kService); }
    void destroy() { window_.destroy(); }
    std::optional<Received> waitFor(uint32_t message, int ms = 3000) {
        for (int waited = 0; waited <= ms; waited += 10) {
            for (const Received& r : received)
                if (r.message == message) return r;
            QTest::qWait(10);
        }
        return std::nullopt;
    }
    std::vector<Received> received;

private:
    std::string path_;
    platform::Window window_;
};

class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(env_.ready());
        ASSERT_TRUE(service_.create());
        dialog_.initialise();
        ASSERT_TRUE(bus_.create());
        dialog_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog_));
    }
    void click(Role role, int index = 0) {
        QWidget* w = dialog_.control(role, index);
        ASSERT_NE(w, nullptr) << static_cast<int>(role) << " " << index;
        ASSERT_TRUE(w->isVisible()) << static_cast<int>(role) << " " << index;
        QTest::mouseClick(w, Qt::LeftButton);
    }
    bool checked(Role role, int index) { return dialog_.button(role, index)->isChecked(); }
    void post(uint32_t message, int64_t w, int64_t l) {
        ASSERT_TRUE(platform::postMessage(title::kPanel, message, w, l));
        QTest::qWait(50);
    }
    // The last thing the window asked.
    const testsupport::PromptAnswers::Asked& lastAsked() {
        static const testsupport::PromptAnswers::Asked none{};
        return prompts_.asked.empty() ? none : prompts_.asked.back();
    }

    testsupport::PromptAnswers prompts_;
    testsupport::PrivateEnvironment env_{"korvante-panel-ui"};
    QtReactor reactor_;
    panel::ServiceMessenger messenger_;
    panel::PanelModel model_{panel::userPaths(KORVANTE_BIN_DIR), messenger_};
    StandInService service_{reactor_, model_.paths().settingsPath};
    panel::CMocfgDlg dialog_{model_, messenger_};
    panel::PanelBus bus_{reactor_, dialog_};
};

TEST_F(MainDialogTest, TabsSwitchPagesAndLeadBack) {
    EXPECT_EQ(dialog_.windowTitle(), "KORVANTE");
    EXPECT_EQ(dialog_.currentPage(), layout::kStartPage);
    const struct {
        Role tile;
        int page;
    } tabs[] = {{Role::TabButtons, layout::kButtonPage},
                {Role::TabMacro, layout::kMacroPage},
                {Role::TabLighting, layout::kLightingPage},
                {Role::TabDpi, layout::kDpiPage}};
    const QImage resetEnabled = dialog_.control(Role::Reset)->grab().toImage();
    for (const auto& t : tabs) {
        click(t.tile);
        EXPECT_EQ(dialog_.currentPage(), t.page);
        EXPECT_FALSE(dialog_.control(t.tile)->isVisible());
        // The macro page disables profile files and resets until it is left, and they look it.
        EXPECT_EQ(dialog_.control(Role::Reset)->isEnabled(), t.page != layout::kMacroPage);
        EXPECT_EQ(dialog_.control(Role::Reset)->grab().toImage() == resetEnabled, t.page != layout::kMacroPage);
        click(Role::TabHome);
        EXPECT_EQ(dialog_.currentPage(), layout::kStartPage);
    }
    click(Role::TabButtons);
    click(Role::TabMacro);  // the button page's shortcut
    EXPECT_EQ(dialog_.currentPage(), layout::kMacroPage);
}

TEST_F(MainDialogTest, PagesAreMadeWhenFirstShownAndShowTheSettingsEachTime) {
    const auto buttons = [&] { return dialog_.findChildren<skin::CBitmapBtn*>().size(); };
    const qsizetype atStart = buttons();  // the frame's and the start page's
    EXPECT_EQ(dialog_.macroPage(), nullptr);
    model_.working().LedMode = 1;  // a mode without a direction
    click(Role::TabLighting);
    EXPECT_GT(buttons(), atStart);
    for (int visit = 0; visit < 2; ++visit) {
        EXPECT_FALSE(dialog_.control(Role::LightDirection)->isEnabled()) << visit;
        click(Role::TabHome);
        click(Role::TabLighting);
    }
    EXPECT_EQ(dialog_.macroPage(), nullptr);
}

TEST_F(MainDialogTest, KeyboardReachesEveryCommand) {
    dialog_.activateWindow();
    QWidget* tile = dialog_.control(Role::TabLighting);
    tile->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(tile->hasFocus());
    QTest::keyClick(tile, Qt::Key_Return);
    EXPECT_EQ(dialog_.currentPage(), layout::kLightingPage);
    QWidget* home = dialog_.control(Role::TabHome);
    home->setFocus(Qt::TabFocusReason);
    QTest::keyClick(home, Qt::Key_Space);
    EXPECT_EQ(dialog_.currentPage(), layout::kStartPage);
    // Tab walks on to another control; every control says what it is.
    QTest::keyClick(&dialog_, Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), home);
    for (Role role : {Role::Close, Role::Minimize, Role::Help, Role::Apply, Role::TabDpi})
        EXPECT_FALSE(dialog_.control(role)->accessibleName().isEmpty()) << static_cast<int>(role);
}

TEST_F(MainDialogTest, ProfileButtonsSaveThenTellTheService) {
    click(Role::TabButtons);
    click(Role::Profile, 2);
    auto sent = service_.waitFor(msg::kProfile);
    ASSERT_TRUE(sent);
    EXPECT_NE(sent->file.find("Profile=2"), std::string::npos);
    EXPECT_TRUE(checked(Role::Profile, 2));
    EXPECT_FALSE(checked(Role::Profile, 0));

    service_.received.clear();
    click(Role::Profile, 2);  // the current profile: nothing sent, still shown as current
    QTest::qWait(100);
    EXPECT_TRUE(service_.received.empty());
    EXPECT_TRUE(checked(Role::Profile, 2));
}

TEST_F(MainDialogTest, ResetAsksFirstAndApplyAnnounces) {
    click(Role::TabButtons);
    click(Role::Profile, 3);
    ASSERT_TRUE(service_.waitFor(msg::kProfile));
    prompts_.answerQuestion(false);
    click(Role::Reset);
    EXPECT_EQ(lastAsked().kind, testsupport::PromptAnswers::Kind::Question);
    EXPECT_EQ(lastAsked().title, dialog_.text("WARNING"));
    EXPECT_EQ(lastAsked().text, dialog_.text("WARN1", "BUTTONPAGE"));
    EXPECT_FALSE(service_.waitFor(msg::kApplyAll, 100));
    EXPECT_TRUE(checked(Role::Profile, 3));

    prompts_.answerQuestion(true);
    click(Role::Reset);
    auto sent = service_.waitFor(msg::kApplyAll);
    ASSERT_TRUE(sent);
    EXPECT_NE(sent->file.find("Profile=0"), std::string::npos);
    EXPECT_TRUE(checked(Role::Profile, 0));

    service_.received.clear();
    click(Role::Apply);
    EXPECT_TRUE(service_.waitFor(msg::kApplyAll));
}

TEST_F(MainDialogTest, PageControlsSaveThenAnnounce) {
    click(Role::TabDpi);
    click(Role::DpiStage, 4);
    auto stage = service_.waitFor(msg::kDpiOrAcceleration);
    ASSERT_TRUE(stage);
    EXPECT_NE(stage->file.find("\nDPI=4"), std::string::npos);
    EXPECT_TRUE(checked(Role::DpiStage, 4));

    click(Role::TabHome);
    click(Role::TabLighting);
    click(Role::LightMode);
    ASSERT_NE(dialog_.popup(), nullptr);
    QTest::mouseClick(dialog_.popup()->item(1), Qt::LeftButton);  // "Wave"
    auto lighting = service_.waitFor(msg::kLighting);
    ASSERT_TRUE(lighting);
    EXPECT_NE(lighting->file.find("LedMode=2"), std::string::npos);
    EXPECT_EQ(dialog_.button(Role::LightMode)->caption(), dialog_.text("LEDMODE2", "BUTTONPAGE"));
    EXPECT_TRUE(dialog_.button(Role::LightDirection)->isEnabled());
}

TEST_F(MainDialogTest, FunctionMenuAssignsAndGuardsTheLastLeftClick) {
    click(Role::TabButtons);
    auto choose = [&](int label, int item, int subItem) {
        click(Role::ButtonLabel, label);
        skin::CBmpMenu* menu = dialog_.popup();
        if (menu == nullptr) return false;
        if (subItem < 0) {
            QTest::mouseClick(menu->item(item), Qt::LeftButton);
        } else {
            menu->openSubmenu(item);
            if (menu->submenu() == nullptr) return false;
            QTest::mouseClick(menu->submenu()->item(subItem), Qt::LeftButton);
        }
        return true;
    };
    ASSERT_TRUE(choose(3, 8, 1));  // Editing → Copy on the fourth button
    auto sent = service_.waitFor(msg::kButton);
    ASSERT_TRUE(sent);
    EXPECT_EQ(sent->wParam, 0);
    EXPECT_EQ(sent->lParam, 3);
    EXPECT_EQ(model_.working().profiles[0].buttons[3].code, 65);
    EXPECT_EQ(dialog_.button(Role::ButtonLabel, 3)->caption(), dialog_.text("COPY", "BUTTONPAGE"));

    // The only left click keeps its function: a warning, nothing stored, nothing sent.
    service_.received.clear();
    ASSERT_TRUE(choose(0, 1, -1));  // Right Click on the left button
    EXPECT_TRUE(eventually([&] { return prompts_.count(testsupport::PromptAnswers::Kind::Message) == 1; }));
    EXPECT_EQ(lastAsked().text, dialog_.text("WARN3", "BUTTONPAGE"));
    EXPECT_EQ(lastAsked().icon, QMessageBox::Warning);
    EXPECT_EQ(model_.working().profiles[0].buttons[0].code, 1);
    EXPECT_FALSE(service_.waitFor(msg::kButton, 200));
}

TEST_F(MainDialogTest, MacroCommandOpensTheSelectionAndStoresOnOk) {
    click(Role::TabButtons);
    auto chooseMacro = [&](int label) {
        click(Role::ButtonLabel, label);
        ASSERT_NE(dialog_.popup(), nullptr);
        QTest::mouseClick(dialog_.popup()->item(6), Qt::LeftButton);  // "MACROCOMMAND"
    };
    chooseMacro(4);  // no macro yet: the macro page, nothing stored or sent
    EXPECT_TRUE(eventually([&] { return dialog_.currentPage() == layout::kMacroPage; }));
    EXPECT_FALSE(service_.waitFor(msg::kButton, 200));

    macro::MacroLibrary library(model_.paths().settingsPath, model_.paths().macroFolder);
    std::string first, second;
    ASSERT_EQ(library.createNew("Macro", 2, first), macro::LibraryResult::Ok);
    ASSERT_EQ(library.createNew("Macro", 5, second), macro::LibraryResult::Ok);
    click(Role::TabHome);
    click(Role::TabButtons);
    bool answered = false;
    prompts_.answerDialog<dialogs::CMacroSelDlg>([&](dialogs::CMacroSelDlg& d) {
        d.onMessage(macro::kMacroChosen, 1, 0);  // as the name list posts it
        QTest::mouseClick(d.modeButton(2), Qt::LeftButton);
        QTest::mouseClick(d.button(Role::DialogOk), Qt::LeftButton);
        answered = true;
    });
    chooseMacro(4);
    EXPECT_TRUE(eventually([&] { return answered; }));
    auto sent = service_.waitFor(msg::kButton);
    ASSERT_TRUE(sent);
    EXPECT_EQ(sent->lParam, 4);
    const ButtonRecord& r = model_.working().profiles[0].buttons[4];
    EXPECT_EQ(r.code, 6);
    EXPECT_EQ(r.param2, 0x81);
    EXPECT_EQ(r.param1, 5);
    EXPECT_EQ(macro::buttonMacroName(r), second);
    EXPECT_EQ(dialog_.button(Role::ButtonLabel, 4)->caption(), QString::fromStdString(second));
    EXPECT_NE(sent->file.find(platform::encodeStruct(&r, sizeof r)), std::string::npos);  // saved before 1299
}

TEST_F(MainDialogTest, ServiceNoticesAndRemoteCommands) {
    post(msg::kMouseChanged, msg::kChangedDpiStage, 4);
    EXPECT_TRUE(checked(Role::DpiStage, 4));
    post(msg::kMouseChanged, msg::kChangedDpiStage, 7);  // no such stage: ignored
    EXPECT_TRUE(checked(Role::DpiStage, 4));
    post(msg::kMouseChanged, msg::kChangedProfile, 1);
    EXPECT_TRUE(checked(Role::Profile, 1));
    EXPECT_EQ(platform::readProfileInt(model_.paths().settingsPath, "Setting", "Profile", -1), 1);

    struct RemoteCase {
        int64_t command, result;
    };
    for (const RemoteCase& c : {RemoteCase{18, 0}, RemoteCase{20, 0}, RemoteCase{99, -1}}) {
        int64_t result = 5;
        ASSERT_TRUE(platform::sendMessage(title::kPanel, 1034, 0, c.command, &result, 3000));
        EXPECT_EQ(result, c.result) << c.command;
    }
    // Nothing but the window's own question how far the shortcuts reach.
    for (const Received& r : service_.received) EXPECT_EQ(r.message, msg::kShortcutQuery);
    post(1034, 0, 12);
    EXPECT_TRUE(service_.waitFor(msg::kApplyAll));

    // A control's number from outside changes nothing.
    const int32_t colour = model_.working().LedColor;
    post(1303, 0x123456, 0);
    EXPECT_EQ(model_.working().LedColor, colour);

    const DpiStage stage{1, 30, 44, 66};
    platform::writeProfileStruct(model_.paths().settingsPath, "Setting", "DPI_INFO3", &stage, sizeof stage);
    post(1224, 0, 0);
    EXPECT_EQ(model_.working().dpiStages[2].x, 44);

    post(1294, 0, 0);
    EXPECT_EQ(dialog_.currentPage(), layout::kBlankPage);
    EXPECT_TRUE(dialog_.control(Role::TabHome)->isVisible());
}

TEST_F(MainDialogTest, FailedWriteNoticeRetriesTheFullWriteAfterSaving) {
    struct Case {
        int64_t reason;
        const char* key;
    };
    for (const Case& c : {Case{msg::kWriteMismatch, "WRITEFAILED"}, Case{msg::kWriteNoAnswer, "WRITENOANSWER"}}) {
        post(msg::kWriteFailed, msg::kWheelLines, c.reason);
        ASSERT_TRUE(eventually([&] { return dialog_.writeNotice() && dialog_.writeNotice()->isVisible(); }));
        EXPECT_EQ(dialog_.writeNotice()->text(), dialog_.text(c.key));
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the notice does not block the window";
    }
    // Retry saves what the window holds, then asks for the full write.
    model_.working().WheelScrollLines = 7;
    service_.received.clear();
    auto* retry = dialog_.writeNotice()->findChild<QPushButton*>(QStringLiteral("retryWrite"));
    ASSERT_NE(retry, nullptr);
    QTest::mouseClick(retry, Qt::LeftButton);
    const std::optional<Received> got = service_.waitFor(msg::kApplyAll);
    ASSERT_TRUE(got);
    EXPECT_NE(got->file.find("WheelScrollLines=7"), std::string::npos);
    EXPECT_TRUE(eventually([&] { return dialog_.writeNotice() == nullptr; })) << "the notice closes";
}

TEST_F(MainDialogTest, ServiceCloseWhileAQuestionIsOpenEndsTheWindowAndChangesNothing) {
    // The service closes the window while the reset question is asked; OK, given after that,
    // resets nothing.
    prompts_.answerQuestion(true, [&] {
        ASSERT_TRUE(platform::postMessage(title::kPanel, msg::kClose));
        EXPECT_TRUE(eventually([&] { return !dialog_.isVisible(); }));
    });
    click(Role::TabButtons);
    click(Role::Reset);
    EXPECT_FALSE(dialog_.isVisible());
    EXPECT_FALSE(service_.waitFor(msg::kApplyAll, 50));
}

TEST_F(MainDialogTest, ProfileFilesAreExportedAndImportedThroughTheChooser) {
    testsupport::TempFolder files("korvante-profiles");
    const QString exported = QString::fromStdString(files.file("stage5.prof"));
    click(Role::TabDpi);
    click(Role::DpiStage, 4);
    ASSERT_TRUE(service_.waitFor(msg::kDpiOrAcceleration));
    click(Role::TabHome);
    click(Role::TabButtons);

    prompts_.answerFile(exported);
    click(Role::Export);
    const auto& asked = lastAsked();
    EXPECT_EQ(asked.kind, testsupport::PromptAnswers::Kind::SaveFile);
    EXPECT_EQ(asked.query.caption, dialog_.text("EXPORTTITLE"));
    EXPECT_EQ(asked.query.filter, dialog_.text("PROFILEFILTER"));
    EXPECT_EQ(asked.query.defaultSuffix, "prof");
    EXPECT_EQ(asked.query.folder.toStdString(), platform::parentFolder(model_.paths().settingsPath));
    EXPECT_NE(platform::readWholeFile(exported.toStdString()).value_or("").find("\nDPI=4"), std::string::npos);

    // Another stage, then the file back: the window shows it, saves it and has the service write it.
    click(Role::TabHome);
    click(Role::TabDpi);
    click(Role::DpiStage, 1);
    EXPECT_TRUE(checked(Role::DpiStage, 1));
    service_.received.clear();
    prompts_.answerFile(exported);
    click(Role::Import);
    EXPECT_EQ(lastAsked().kind, testsupport::PromptAnswers::Kind::OpenFile);
    EXPECT_EQ(lastAsked().query.caption, dialog_.text("IMPORTTITLE"));
    auto sent = service_.waitFor(msg::kApplyAll);
    ASSERT_TRUE(sent);
    EXPECT_NE(sent->file.find("\nDPI=4"), std::string::npos);
    EXPECT_TRUE(checked(Role::DpiStage, 4));

    // A chooser closed without a file does nothing; a file that cannot be read or written is said.
    const size_t asks = prompts_.asked.size();
    click(Role::Import);
    EXPECT_EQ(prompts_.asked.size(), asks + 1);
    const struct {
        Role command;
        const char* path;
        const char* key;
    } failures[] = {{Role::Import, "/nonexistent/in.prof", "NOIMPORT"}, {Role::Export, "/nonexistent/out.prof", "NOEXPORT"}};
    service_.received.clear();
    for (const auto& f : failures) {
        prompts_.answerFile(f.path);
        click(f.command);
        EXPECT_EQ(lastAsked().kind, testsupport::PromptAnswers::Kind::Message) << f.key;
        EXPECT_EQ(lastAsked().text, dialog_.text(f.key).arg(f.path));
    }
    EXPECT_FALSE(service_.waitFor(msg::kApplyAll, 50));
}

TEST_F(MainDialogTest, StateStripFollowsTheServiceAndTheMouse) {
    EXPECT_EQ(dialog_.stateText(), dialog_.text("NODEVICE"));
    platform::writeProfileInt(model_.paths().settingsPath, "Setting", "Device", 1);
    EXPECT_TRUE(eventually([&] { return dialog_.stateText().isEmpty(); }));
    service_.destroy();
    EXPECT_TRUE(eventually([&] { return dialog_.stateText() == dialog_.text("NOSERVICE"); }));
}

TEST_F(MainDialogTest, StateStripShowsHowFarTheServicesShortcutsReach) {
    ASSERT_TRUE(service_.waitFor(msg::kShortcutQuery));  // asked once the service is seen
    platform::writeProfileInt(model_.paths().settingsPath, "Setting", "Device", 1);
    const struct {
        int64_t reach;
        const char* key;
    } answers[] = {{msg::kShortcutsOff, "SHORTCUTSOFF"}, {msg::kShortcutsXOnly, "SHORTCUTSXONLY"},
                   {msg::kShortcutsEverywhere, nullptr}};
    for (const auto& a : answers) {
        post(msg::kShortcutState, a.reach, 0);
        EXPECT_EQ(dialog_.shortcutText(), a.key ? dialog_.text(a.key) : QString()) << a.reach;
        EXPECT_TRUE(eventually([&] { return dialog_.stateText().isEmpty(); }));  // the mouse's word stays
    }
    post(msg::kShortcutState, msg::kShortcutsOff, 0);
    // A service that ends takes its answer along; the next one is asked again.
    service_.destroy();
    EXPECT_TRUE(eventually([&] { return dialog_.stateText() == dialog_.text("NOSERVICE"); }));
    EXPECT_TRUE(dialog_.shortcutText().isEmpty());
    service_.received.clear();
    ASSERT_TRUE(service_.create());
    EXPECT_TRUE(service_.waitFor(msg::kShortcutQuery));

    // In a Wayland session the acceleration group says the desktop's settings apply.
    dialog_.setDesktopPointerSettings(true);
    click(Role::TabDpi);
    QWidget* slider = dialog_.control(Role::AccelerationSlider);
    EXPECT_EQ(slider->toolTip(), dialog_.text("ACCELDESKTOPHINT"));
    bool noteShown = false;
    for (auto* label : dialog_.findChildren<skin::CStaticTrans*>())
        noteShown |= label->isVisible() && label->text() == dialog_.text("ACCELDESKTOP");
    EXPECT_TRUE(noteShown);
}

TEST(PanelProgram, OneCopyRunsAndItAnswersAsKORVANTE) {
    testsupport::PrivateEnvironment env("korvante-panel-run", testsupport::PrivateEnvironment::Display::Clear);
    env.set("QT_QPA_PLATFORM", "offscreen");
    const std::string bin = KORVANTE_BIN_DIR;
    QProcess first, second;
    first.start(QString::fromStdString(bin + "/cfgpanel"), {});
    ASSERT_TRUE(first.waitForStarted());
    ASSERT_TRUE(eventually([] { return platform::findWindow(title::kPanel); }, 10000));
    second.start(QString::fromStdString(bin + "/cfgpanel"), {});
    ASSERT_TRUE(second.waitForFinished(5000));  // ends at once, silently
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);
    ASSERT_TRUE(platform::postMessage(title::kPanel, msg::kClose));
    EXPECT_TRUE(first.waitForFinished(5000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
}

}  // namespace

namespace {

class ProgramMenuTest : public MainDialogTest {
protected:
    void SetUp() override {
        env_.unset("WAYLAND_DISPLAY");  // the list is usable only outside a Wayland session
        env_.unset("XDG_SESSION_TYPE");
        MainDialogTest::SetUp();
    }
    skin::CBmpMenu* openProgramMenu(int profile) {
        // Through the window, as the window system delivers a right click: the press makes the
        // context menu event.
        QTest::mouseClick(dialog_.windowHandle(), Qt::RightButton, {},
                          dialog_.control(Role::Profile, profile)->geometry().center());
        return dialog_.popup();
    }
};

TEST_F(ProgramMenuTest, ProfileButtonMenuChoosesARunningProgramAndClearsIt) {
    click(Role::TabButtons);
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    // This test program is chosen in the picker's list, then OK.
    bool answered = false;
    prompts_.answerDialog<dialogs::CProgramDlg>([&](dialogs::CProgramDlg& picker) {
        QListWidget* list = picker.list();
        for (int row = 0; row < list->count() && !answered; ++row) {
            QListWidgetItem* item = list->item(row);
            if (item->toolTip().toStdString() != self) continue;
            list->scrollToItem(item);
            // The list lays its items out after it is shown: click once the row is in view.
            EXPECT_TRUE(QTest::qWaitFor([&] { return list->viewport()->rect().contains(list->visualItemRect(item).center()); }));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
            QTest::mouseClick(picker.button(Role::DialogOk), Qt::LeftButton);
            answered = true;
        }
    });
    skin::CBmpMenu* menu = openProgramMenu(2);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->itemCount(), 1);  // nothing to clear yet
    QTest::mouseClick(menu->item(0), Qt::LeftButton);
    ASSERT_TRUE(eventually([&] { return answered; }));
    auto sent = service_.waitFor(msg::kProgramRules);
    ASSERT_TRUE(sent);
    EXPECT_NE(sent->file.find("Exe=" + self), std::string::npos);  // saved before the service hears
    EXPECT_EQ(model_.programRule(2), self);
    EXPECT_NE(dialog_.control(Role::Profile, 2)->toolTip().indexOf(QString::fromStdString(self)), -1);
    EXPECT_EQ(model_.currentProfile(), 0);  // the rule does not choose the profile itself

    service_.received.clear();
    menu = openProgramMenu(2);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->itemCount(), 2);
    QTest::mouseClick(menu->item(1), Qt::LeftButton);
    ASSERT_TRUE(service_.waitFor(msg::kProgramRules));
    EXPECT_EQ(model_.programRule(2), "");
    EXPECT_TRUE(dialog_.control(Role::Profile, 2)->toolTip().isEmpty());
}

}  // namespace
