// The macro selection dialog driven with real mouse events on the offscreen platform.
#include <gtest/gtest.h>

#include <QTest>

#include <cstring>
#include <memory>

#include "panel/dialogs/macro_name_menu.h"
#include "panel/dialogs/macro_select_dialog.h"
#include "platform/known_folders.h"
#include "shared/button_assignment.h"
#include "shared/function_codes.h"
#include "shared/macro_buttons.h"
#include "shared/macro_file.h"
#include "shared/macro_library.h"
#include "skin/bitmap_button.h"
#include "skin/list_box_ex.h"
#include "tests/store/temp_dir.h"

namespace {

using namespace dialogs;
using layout::Role;

class MacroSelect : public ::testing::Test {
protected:
    MacroSelect() {
        std::memset(&record_, 0, sizeof record_);
        record().owner = 4;
        record().code = kCodeMiddleClick;
        EXPECT_TRUE(macro::writeListSlot(library_.settingsPath(), 0, "Alpha"));  // no file: loop 1
        EXPECT_TRUE(macro::writeListSlot(library_.settingsPath(), 2, "Beta"));
        EXPECT_TRUE(platform::ensureFolder(library_.macroFolder()));
        EXPECT_TRUE(macro::writeMacroFile(library_.filePath("Beta"), 0, 4, macro::Block{}, true));
    }
    ButtonRecord& record() { return record_; }
    std::unique_ptr<CMacroSelDlg> open() {
        const DialogContext context{KORVANTE_BIN_DIR, KORVANTE_BIN_DIR "/Strings.xml"};
        auto d = std::make_unique<CMacroSelDlg>(context, library_, record_);
        d->show();
        d->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(d.get()));
        return d;
    }
    static void click(QWidget* w) {
        ASSERT_NE(w, nullptr);
        QTest::mouseClick(w, Qt::LeftButton);
        QTest::qWait(20);  // menu choices arrive as posted messages
    }
    std::vector<bool> marked(const CMacroSelDlg& d) {
        std::vector<bool> out;
        for (int m = 0; m < 3; ++m) out.push_back(d.modeButton(m)->isChecked());
        return out;
    }

    // What the assignment step stores after OK (button 4, record 3).
    void store(const CMacroSelDlg& d) { ASSERT_TRUE(assignment::write(record_, 3, kCodeMacro, d.value())); }

    TempDir dir_;
    macro::MacroLibrary library_{dir_.path() + "/Mouse.ini", dir_.path() + "/Macro"};
    ButtonRecord record_;
};

TEST_F(MacroSelect, OkGivesTheChoiceOfEachPlayMode) {
    struct Case {
        int mode;
        uint8_t owner, byte3;
    };
    for (const Case& c : {Case{0, 4, 0x41}, {1, 255, 0x41}, {2, 4, 0x81}}) {
        record().code = kCodeMiddleClick;
        auto d = open();
        EXPECT_EQ(d->nameButton()->caption(), "Alpha");  // preselected and shown
        EXPECT_EQ(marked(*d), (std::vector<bool>{true, false, false}));
        click(d->nameButton());
        auto* menu = qobject_cast<macro::CMacroNameMenu*>(d->popup());
        ASSERT_NE(menu, nullptr);
        ASSERT_EQ(menu->list()->count(), 2);
        QTest::mouseClick(menu->list(), Qt::LeftButton, {}, QPoint(30, 24 + 12));  // the second row
        QTest::qWait(20);
        EXPECT_EQ(d->popup(), nullptr);
        EXPECT_EQ(d->nameButton()->caption(), "Beta");
        click(d->modeButton(c.mode));
        click(d->modeButton(c.mode));  // pressing the marked one again keeps it marked
        std::vector<bool> only(3, false);
        only[static_cast<size_t>(c.mode)] = true;
        EXPECT_EQ(marked(*d), only);
        click(d->button(Role::DialogOk));
        EXPECT_EQ(d->result(), kDialogOk);
        store(*d);
        EXPECT_EQ(record().code, kCodeMacro) << c.mode;
        EXPECT_EQ(record().owner, c.owner) << c.mode;
        EXPECT_EQ(record().param2, c.byte3) << c.mode;
        EXPECT_EQ(record().param1, 4) << c.mode;  // Beta's "LoopTime"
        EXPECT_EQ(macro::buttonMacroName(record()), "Beta");
    }
}

TEST_F(MacroSelect, StartsAtTheCurrentMacroOneListAtATime) {
    {
        auto d = open();
        click(d->button(Role::DialogOk));
        store(*d);
        EXPECT_EQ(macro::buttonMacroName(record()), "Alpha");  // OK at once: the macro shown
        EXPECT_EQ(record().param1, 1);                          // no file: loop once
    }
    record().owner = 255;
    for (Role r : {Role::DialogCancel, Role::DialogClose}) {
        auto d = open();
        EXPECT_EQ(marked(*d), (std::vector<bool>{false, true, false}));
        click(d->modeButton(2));
        click(d->nameButton());
        ASSERT_NE(d->popup(), nullptr);
        QWidget* list = d->popup();  // pressed again: closed, not a second list
        QTest::mousePress(list, Qt::LeftButton, {}, list->mapFromGlobal(d->nameButton()->mapToGlobal(QPoint(10, 10))));
        QTest::qWait(20);
        EXPECT_EQ(d->popup(), nullptr);
        click(d->nameButton());
        ASSERT_NE(d->popup(), nullptr);
        QTest::mousePress(d.get(), Qt::LeftButton, {}, QPoint(240, 200));  // the dialog's body
        QTest::mouseRelease(d.get(), Qt::LeftButton, {}, QPoint(240, 200));
        QTest::qWait(20);
        EXPECT_EQ(d->popup(), nullptr);
        click(d->button(r));
        EXPECT_EQ(d->result(), kDialogCancel);
        EXPECT_FALSE(d->isVisible());
    }
}

}  // namespace
