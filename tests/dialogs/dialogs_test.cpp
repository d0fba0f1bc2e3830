// The function dialogs driven as a user would: real key and mouse events on the offscreen platform,
// over the painted skin and the strings beside the programs, on a settings record of the test's own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>

#include <cstring>
#include <memory>

#include "panel/dialogs/dpi_shift_dialog.h"
#include "panel/dialogs/gunfire_dialog.h"
#include "panel/dialogs/key_dialog.h"
#include "panel/dialogs/macro_display.h"
#include "panel/dialogs/rename_dialog.h"
#include "panel/dialogs/xshoot_dialog.h"
#include "shared/function_codes.h"
#include "skin/bitmap_button.h"
#include "skin/colour_edit.h"
#include "skin/slider.h"

namespace {

using namespace dialogs;
using layout::Role;

class Dialogs : public ::testing::Test {
protected:
    Dialogs() : settings_(std::make_unique<MouseSettings>()) {
        std::memset(settings_.get(), 0, sizeof(MouseSettings));
        std::memset(&record(), 0x11, 124);
        record().code = kCodeMiddleClick;
    }
    DialogContext context() { return {KORVANTE_BIN_DIR, KORVANTE_BIN_DIR "/Strings.xml", settings_.get(), 1, 3}; }
    ButtonRecord& record() { return settings_->profiles[1].buttons[3]; }

    template <class D>
    std::unique_ptr<D> open() {
        auto dialog = std::make_unique<D>(context());
        dialog->show();
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        return dialog;
    }
    static void click(QWidget* w) {
        ASSERT_NE(w, nullptr);
        QTest::mouseClick(w, Qt::LeftButton);
    }
    static void type(QLineEdit* field, const QString& text) {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
    }
    // A key as the window system delivers it, to the focused control.
    static void key(QEvent::Type type, int qtKey, quint32 keysym = 0, bool repeat = false,
                    Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent event(type, qtKey, modifiers, 0, keysym, 0, QString(), repeat);
        if (QWidget* focus = QApplication::focusWidget()) QApplication::sendEvent(focus, &event);
    }
    static void choose(skin::CBmpMenu* menu, int index) {
        ASSERT_NE(menu, nullptr);
        click(menu->item(index));
        QTest::qWait(20);  // the choice arrives as a posted message
    }
    bool recordUnchanged(const ButtonRecord& before) { return std::memcmp(&before, &record(), sizeof before) == 0; }

    std::unique_ptr<MouseSettings> settings_;
};

TEST_F(Dialogs, RapidFireShowsDefaultsOrTheStoredValuesAndWritesOnlyOnOk) {
    {
        auto d = open<CGunfireDlg>();
        EXPECT_EQ(d->title(), "Rapid Fire");
        EXPECT_EQ(d->shotsField()->text(), "3");
        EXPECT_EQ(d->intervalField()->text(), "10");
        EXPECT_EQ(d->speedText(), "30");
        EXPECT_EQ(d->size(), QSize(416, 296));
        const ButtonRecord before = record();
        type(d->shotsField(), "300");
        QTest::keyClick(d->shotsField(), Qt::Key_Tab);  // Tab follows the table: shots, interval, slider
        EXPECT_EQ(QApplication::focusWidget(), d->intervalField());
        type(d->intervalField(), "3000");
        QTest::keyClick(d->intervalField(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), d->speedSlider());
        EXPECT_EQ(d->shotsField()->text(), "255");
        EXPECT_EQ(d->intervalField()->text(), "255");  // the byte's limit, not 2550
        click(d->button(Role::DialogCancel));
        EXPECT_TRUE(recordUnchanged(before));
        EXPECT_EQ(d->resultCode(), kDialogCancel);
    }
    record().code = kCodeRapidFire;
    record().byte(2) = 5;
    record().byte(3) = 40;
    record().byte(5) = 120;
    auto d = open<CGunfireDlg>();
    EXPECT_EQ(d->shotsField()->text(), "5");
    EXPECT_EQ(d->intervalField()->text(), "40");
    EXPECT_EQ(d->speedSlider()->value(), 120);
    d->speedSlider()->setFocus();
    QTest::keyClick(d->speedSlider(), Qt::Key_Right);
    QTest::qWait(20);
    EXPECT_EQ(d->speedText(), "121");
    type(d->intervalField(), "7");
    record().code = kCodeRapidFire;
    click(d->button(Role::DialogOk));
    EXPECT_EQ(d->resultCode(), kDialogOk);
    EXPECT_EQ(record().byte(2), 5);
    EXPECT_EQ(record().byte(3), 7);
    EXPECT_EQ(record().byte(5), 121);
    EXPECT_EQ(record().byte(4), 0x11);  // untouched
}

TEST_F(Dialogs, KeyDialogKeepsTheLastKeyWithItsSide) {
    const struct {
        const char* name;
        int qtKey;
        quint32 keysym;
        Qt::KeyboardModifiers modifiers;
        uint8_t usage;
        const char* shown;
        bool endsDialog;  // Enter is captured, then presses OK as in every dialog
    } cases[] = {
        {"Shift then A", Qt::Key_A, 0, Qt::ShiftModifier, 4, "A ", false},
        {"right Ctrl", Qt::Key_Control, 0xFFE4, Qt::ControlModifier, 228, "RCtrl ", false},
        {"right Shift", Qt::Key_Shift, 0xFFE2, Qt::ShiftModifier, 229, "RShift ", false},
        {"keypad Enter", Qt::Key_Enter, 0, Qt::KeypadModifier, 88, "Enter ", true},
        {"Space", Qt::Key_Space, 0, Qt::NoModifier, 44, "Space ", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        record().code = kCodeMiddleClick;
        auto d = open<CKeyExDlg>();
        EXPECT_FALSE(d->button(Role::DialogOk)->isEnabled());  // nothing to store yet
        key(QEvent::KeyPress, Qt::Key_Shift);
        key(QEvent::KeyPress, c.qtKey, c.keysym, false, c.modifiers);
        key(QEvent::KeyPress, c.qtKey, c.keysym, true, c.modifiers);  // held: no second entry
        key(QEvent::KeyPress, Qt::Key_Meta);                          // never captured
        key(QEvent::KeyRelease, c.qtKey, c.keysym, false, c.modifiers);
        key(QEvent::KeyRelease, Qt::Key_Shift);
        EXPECT_EQ(d->keyText(), c.shown);
        EXPECT_FALSE(d->display()->highlight());
        EXPECT_EQ(d->isVisible(), !c.endsDialog);  // Space never presses a button
        if (!c.endsDialog) click(d->button(Role::DialogOk));
        EXPECT_EQ(d->resultCode(), kDialogOk);
        EXPECT_EQ(record().code, kCodeSingleKey);
        EXPECT_EQ(record().byte(2), 1);
        EXPECT_EQ(record().byte(3), 1);
        EXPECT_EQ(record().byte(4), 0);
        EXPECT_EQ(record().byte(5), c.usage);
    }
    // Reopened: the stored key, highlighted; Esc cancels and keeps it.
    auto d = open<CKeyExDlg>();
    EXPECT_EQ(d->keyText(), "Space ");
    EXPECT_TRUE(d->display()->highlight());
    const ButtonRecord before = record();
    key(QEvent::KeyPress, Qt::Key_Escape);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->resultCode(), kDialogCancel);
    EXPECT_TRUE(recordUnchanged(before));
}

TEST_F(Dialogs, DpiShiftStartsAtTheHeldValueAndSwallowsEnterAndEsc) {
    {
        auto d = open<CDPIShift>();
        EXPECT_EQ(d->choice(), 1);
        EXPECT_EQ(d->valueButton()->caption(), "250");
    }
    record().code = kCodeDpiShift;
    record().byte(2) = 3;
    auto d = open<CDPIShift>();
    EXPECT_EQ(d->valueButton()->caption(), "750");
    click(d->valueButton());
    choose(d->popup(), 3);
    EXPECT_EQ(d->choice(), 4);
    EXPECT_EQ(d->valueButton()->caption(), "1000");
    for (Qt::Key k : {Qt::Key_Return, Qt::Key_Escape}) QTest::keyClick(d->button(Role::DialogOk), k);
    EXPECT_TRUE(d->isVisible());
    click(d->button(Role::DialogOk));
    EXPECT_EQ(d->resultCode(), kDialogOk);
    EXPECT_EQ(record().byte(2), 3);  // the assignment step stores the choice
}

TEST_F(Dialogs, XShootLimitsItsValuesAndStoresTheOutput) {
    {
        auto d = open<CXShoot>();
        EXPECT_EQ(d->outputButton()->caption(), "Keyboard");
        EXPECT_FALSE(d->button(Role::DialogOk)->isEnabled());  // no key yet
        type(d->shotsField(), "0");
        type(d->intervalField(), "999");
        EXPECT_EQ(d->shotsField()->text(), "1");
        EXPECT_EQ(d->intervalField()->text(), "255");
        const ButtonRecord before = record();
        type(d->keyField(), "a");
        EXPECT_TRUE(d->button(Role::DialogOk)->isEnabled());
        click(d->button(Role::DialogClose));
        EXPECT_TRUE(recordUnchanged(before));
    }
    const struct {
        int item;          // menu index, -1 = type the key "a"
        uint8_t output;
        const char* shown;  // what a reopened dialog's output button and key field show
        const char* keyText;
        bool keyEnabled;
    } cases[] = {
        {2, 132, "Middle", "Middle", false},
        {-1, 4, "Keyboard", "A", true},
        {0, 129, "Left", "Left", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        {
            auto d = open<CXShoot>();
            if (c.item >= 0) {
                click(d->outputButton());
                choose(d->popup(), c.item);
            } else {
                click(d->outputButton());
                choose(d->popup(), 3);  // "Keyboard"
                type(d->keyField(), "b");
                type(d->keyField(), "a");  // replaces "B"
            }
            type(d->intervalField(), "20");
            click(d->button(Role::DialogOk));
            EXPECT_EQ(d->resultCode(), kDialogOk);
        }
        EXPECT_EQ(record().code, kCodeXShoot);
        EXPECT_EQ(record().byte(3), 20);
        EXPECT_EQ(record().byte(4), 0);
        EXPECT_EQ(record().byte(5), c.output);
        auto d = open<CXShoot>();
        EXPECT_EQ(d->outputButton()->caption(), c.shown);
        EXPECT_EQ(d->keyField()->text(), c.keyText);
        EXPECT_EQ(d->keyField()->isEnabled(), c.keyEnabled);
        EXPECT_EQ(d->intervalField()->text(), "20");
    }
}

TEST_F(Dialogs, RenameReturnsTheTextOnlyOnOk) {
    for (const bool ok : {true, false}) {
        CRenameProfileDlg d(context());
        d.setText("Macro 1");
        QTimer::singleShot(0, [&] {
            EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
            EXPECT_EQ(QApplication::focusWidget(), d.field());
            type(d.field(), "Reload");
            click(d.button(ok ? Role::DialogOk : Role::DialogCancel));
        });
        EXPECT_EQ(d.exec(), ok ? kDialogOk : kDialogCancel);
        EXPECT_EQ(d.result(), ok ? "Reload" : "");
    }
    // Closed from outside, as the main window does when the service goes away.
    CRenameProfileDlg d(context());
    QTimer::singleShot(0, [&] { QApplication::activeModalWidget()->close(); });
    EXPECT_EQ(d.exec(), kDialogCancel);
}

}  // namespace
