// The function dialogs driven as a user would: real key and mouse events on the offscreen platform,
// over the painted skin and the strings beside the programs, on a button record of the test's own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <memory>

#include "panel/dialogs/dpi_shift_dialog.h"
#include "panel/dialogs/gunfire_dialog.h"
#include "panel/dialogs/key_dialog.h"
#include "panel/dialogs/macro_display.h"
#include "panel/dialogs/prompts.h"
#include "panel/dialogs/rename_dialog.h"
#include "panel/dialogs/xshoot_dialog.h"
#include "panel/layout/dialog_layout.h"
#include "shared/button_assignment.h"
#include "shared/function_codes.h"
#include "skin/bitmap_button.h"
#include "skin/colour_edit.h"
#include "skin/skin_style.h"
#include "skin/slider.h"
#include "tests/support/prompt_answers.h"

namespace {

using namespace dialogs;
using layout::Role;

class Dialogs : public ::testing::Test {
protected:
    Dialogs() {
        std::memset(&record_, 0, sizeof record_);
        std::memset(&record_, 0x11, 124);
        record_.code = kCodeMiddleClick;
    }
    DialogContext context() { return {KORVANTE_BIN_DIR, KORVANTE_BIN_DIR "/Strings.xml"}; }
    ButtonRecord& record() { return record_; }

    // A function dialog for the record as it is now, shown and active.
    template <class D>
    std::unique_ptr<D> open() {
        auto dialog = std::make_unique<D>(context(), record_);
        dialog->show();
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        return dialog;
    }
    // What the assignment step stores after OK (button 4, record 3).
    template <class Value>
    void store(uint8_t code, const Value& value) {
        ASSERT_TRUE(assignment::write(record_, 3, code, value));
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
    // Keys as the window system delivers them: to the dialog's window, which hands them to the
    // focused control.
    static void typeIntoWindow(QWidget* dialog, QLineEdit* field, const char* text) {
        field->setFocus();
        for (const char* c = text; *c != '\0'; ++c) QTest::keyClick(dialog->windowHandle(), *c);
    }
    static void key(QWidget* dialog, QEvent::Type type, int qtKey, quint32 keysym = 0, bool repeat = false,
                    Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent event(type, qtKey, modifiers, 0, keysym, 0, QString(), repeat);
        QApplication::sendEvent(dialog->windowHandle(), &event);
    }
    static void choose(skin::CBmpMenu* menu, int index) {
        ASSERT_NE(menu, nullptr);
        click(menu->item(index));
        QTest::qWait(20);  // the choice arrives as a posted message
    }

    ButtonRecord record_;
};

TEST_F(Dialogs, RapidFireShowsDefaultsOrTheStoredValuesAndGivesThemOnOk) {
    {
        auto d = open<CGunfireDlg>();
        EXPECT_EQ(d->title(), "Rapid Fire");
        EXPECT_EQ(d->shotsField()->text(), "3");
        EXPECT_EQ(d->intervalField()->text(), "10");
        EXPECT_EQ(d->speedText(), "30");
        EXPECT_EQ(d->size(), QSize(416, 296));
        type(d->shotsField(), "300");
        QTest::keyClick(d->windowHandle(), Qt::Key_Tab);  // Tab follows the table: shots, interval, slider
        EXPECT_EQ(QApplication::focusWidget(), d->intervalField());
        type(d->intervalField(), "3000");
        QTest::keyClick(d->windowHandle(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), d->speedSlider());
        EXPECT_EQ(d->shotsField()->text(), "255");
        EXPECT_EQ(d->intervalField()->text(), "250");  // the highest the mouse keeps, not 2550
        click(d->button(Role::DialogCancel));
        EXPECT_FALSE(d->isVisible());
        EXPECT_EQ(d->result(), kDialogCancel);
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
    QTest::keyClick(d->windowHandle(), Qt::Key_Right);
    QTest::qWait(20);
    EXPECT_EQ(d->speedText(), "121");
    type(d->intervalField(), "37");
    click(d->button(Role::DialogOk));
    EXPECT_EQ(d->result(), kDialogOk);
    store(kCodeRapidFire, d->value());
    EXPECT_EQ(record().byte(2), 5);
    EXPECT_EQ(record().byte(3), 40);  // the mouse keeps tens
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
        {"Tab", Qt::Key_Tab, 0, Qt::NoModifier, 43, "Tab ", false},  // captured, and the focus moves on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        record().code = kCodeMiddleClick;
        auto d = open<CKeyExDlg>();
        EXPECT_FALSE(d->button(Role::DialogOk)->isEnabled());  // nothing to store yet
        QWidget* focus = QApplication::focusWidget();
        key(d.get(), QEvent::KeyPress, Qt::Key_Shift);
        key(d.get(), QEvent::KeyPress, c.qtKey, c.keysym, false, c.modifiers);
        key(d.get(), QEvent::KeyPress, c.qtKey, c.keysym, true, c.modifiers);  // held: no second entry
        key(d.get(), QEvent::KeyPress, Qt::Key_Meta);                          // never captured
        key(d.get(), QEvent::KeyRelease, c.qtKey, c.keysym, false, c.modifiers);
        key(d.get(), QEvent::KeyRelease, Qt::Key_Shift);
        EXPECT_EQ(d->keyText(), c.shown);
        EXPECT_FALSE(d->display()->highlight());
        EXPECT_EQ(d->isVisible(), !c.endsDialog);  // Space never presses a button
        if (c.qtKey == Qt::Key_Tab) {
            EXPECT_NE(QApplication::focusWidget(), focus);
        }
        if (!c.endsDialog) click(d->button(Role::DialogOk));
        EXPECT_EQ(d->result(), kDialogOk);
        store(kCodeSingleKey, d->value());
        EXPECT_EQ(record().code, kCodeSingleKey);
        EXPECT_EQ(record().byte(2), 1);
        EXPECT_EQ(record().byte(3), 1);
        EXPECT_EQ(record().byte(4), 0);
        EXPECT_EQ(record().byte(5), c.usage);
    }
    // Reopened: the stored key, highlighted. A release arriving first (letting go of Alt after
    // Alt+Tab back into the dialog) keeps it, and OK stores it.
    {
        auto d = open<CKeyExDlg>();
        EXPECT_EQ(d->keyText(), "Tab ");
        EXPECT_TRUE(d->display()->highlight());
        key(d.get(), QEvent::KeyRelease, Qt::Key_Alt, 0xFFE9);
        EXPECT_EQ(d->keyText(), "Tab ");
        click(d->button(Role::DialogOk));
        EXPECT_EQ(d->result(), kDialogOk);
        ASSERT_EQ(d->value().strokes.size(), 1u);
        EXPECT_EQ(d->value().strokes[0].usage, 43);
    }
    // Esc cancels.
    auto d = open<CKeyExDlg>();
    key(d.get(), QEvent::KeyPress, Qt::Key_Escape);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->result(), kDialogCancel);
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
    d->button(Role::DialogOk)->setFocus();
    for (Qt::Key k : {Qt::Key_Return, Qt::Key_Escape}) QTest::keyClick(d->windowHandle(), k);
    EXPECT_TRUE(d->isVisible());
    click(d->button(Role::DialogOk));
    EXPECT_EQ(d->result(), kDialogOk);
    store(kCodeDpiShift, d->value());
    EXPECT_EQ(record().byte(2), 4);
}

TEST_F(Dialogs, XShootLimitsItsValuesAndGivesTheOutput) {
    {
        auto d = open<CXShoot>();
        EXPECT_EQ(d->outputButton()->caption(), "Keyboard");
        EXPECT_FALSE(d->button(Role::DialogOk)->isEnabled());  // no key yet
        type(d->shotsField(), "0");
        type(d->intervalField(), "999");
        EXPECT_EQ(d->shotsField()->text(), "1");
        EXPECT_EQ(d->intervalField()->text(), "250");
        type(d->keyField(), "a");
        EXPECT_TRUE(d->button(Role::DialogOk)->isEnabled());
        click(d->button(Role::DialogClose));
        EXPECT_EQ(d->result(), kDialogCancel);
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
            click(d->outputButton());
            choose(d->popup(), c.item >= 0 ? c.item : 3);
            if (c.item < 0) {
                typeIntoWindow(d.get(), d->keyField(), "b");
                typeIntoWindow(d.get(), d->keyField(), "a");  // replaces "B"
            }
            type(d->intervalField(), "20");
            click(d->button(Role::DialogOk));
            EXPECT_EQ(d->result(), kDialogOk);
            store(kCodeXShoot, d->value());
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

TEST_F(Dialogs, RenameGivesTheTextOnlyOnOk) {
    testsupport::PromptAnswers answers;
    for (const bool ok : {true, false}) {
        CRenameProfileDlg d(context());
        d.setText("Macro 1");
        answers.answerDialog<CRenameProfileDlg>([&](CRenameProfileDlg& shown) {
            EXPECT_EQ(QApplication::focusWidget(), shown.field());
            typeIntoWindow(&shown, shown.field(), "Reload");  // the selected text is replaced
            if (ok) QTest::keyClick(shown.windowHandle(), Qt::Key_Return);
            else click(shown.button(Role::DialogCancel));
        });
        EXPECT_EQ(prompts().exec(d), ok ? kDialogOk : kDialogCancel);
        EXPECT_EQ(d.name(), ok ? "Reload" : "");
    }
    // Closed from outside, as the main window does when the service goes away.
    CRenameProfileDlg d(context());
    answers.answerDialog<CRenameProfileDlg>([](CRenameProfileDlg& shown) { shown.close(); });
    EXPECT_EQ(prompts().exec(d), kDialogCancel);
    EXPECT_EQ(answers.count(testsupport::PromptAnswers::Kind::Dialog), 3);
    EXPECT_EQ(answers.asked.back().title, d.title());
}

TEST_F(Dialogs, AMissingPictureGivesAPlainDialogOfItsTablesSize) {
    QTemporaryDir noSkins;  // no description files and no pictures
    ASSERT_TRUE(noSkins.isValid());
    CGunfireDlg d({noSkins.path().toStdString(), KORVANTE_BIN_DIR "/Strings.xml"}, record());
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    EXPECT_EQ(d.size(), QSize(layout::gunfireDialog().width, layout::gunfireDialog().height));
    EXPECT_EQ(d.grab().toImage().pixelColor(4, 60), skin::fromColorRef(skin::colour::kWindowGround));
    EXPECT_EQ(d.title(), "Rapid Fire");
    QTest::keyClick(d.windowHandle(), Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());
}

TEST_F(Dialogs, NumberFieldsOfferOnlyTheValuesTheMouseKeeps) {
    record().code = kCodeXShoot;
    record().byte(2) = 0;
    record().byte(3) = 255;  // stored before the fields were limited
    record().byte(5) = assignment::kOutputLeftButton;
    const struct {
        bool xshoot;
        bool interval;      // else the shots field
        const char* typed;
        const char* typing;  // shown while typing
        int kept;           // shown once left, and given on OK
        const char* values;  // the field's tooltip
    } cases[] = {
        {true, true, "255", "250", 250, "10 to 250, in steps of 10"},
        {true, true, "25", "25", 30, "10 to 250, in steps of 10"},
        {true, true, "4", "4", 10, "10 to 250, in steps of 10"},
        {true, true, "0", "10", 10, "10 to 250, in steps of 10"},
        {true, false, "0", "1", 1, "1 to 255"},
        {false, true, "246", "246", 250, "0 to 250, in steps of 10"},
        {false, true, "44", "44", 40, "0 to 250, in steps of 10"},
        {false, false, "0", "0", 0, "0 to 255"},
    };
    const auto check = [&](auto d, const auto& c) {
        QLineEdit* field = c.interval ? d->intervalField() : d->shotsField();
        EXPECT_EQ(field->toolTip(), c.values);
        type(field, c.typed);
        EXPECT_EQ(field->text(), c.typing);
        QTest::keyClick(d->windowHandle(), Qt::Key_Tab);
        EXPECT_EQ(field->text(), QString::number(c.kept));
        click(d->button(Role::DialogOk));
        EXPECT_EQ(d->result(), kDialogOk);
        EXPECT_EQ(c.interval ? d->value().interval : d->value().shots, c.kept);
    };
    {
        auto d = open<CXShoot>();
        EXPECT_EQ(d->shotsField()->text(), "1");
        EXPECT_EQ(d->intervalField()->text(), "250");
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.xshoot ? "X-shoot " : "rapid fire ") + c.typed);
        if (c.xshoot) check(open<CXShoot>(), c);
        else check(open<CGunfireDlg>(), c);
    }
}

TEST(Prompts, BoxesAndChoosersTakeTheSkinsDarkColoursAndFont) {
    skin::setFontFace(QStringLiteral("DejaVu Sans"));
    std::unique_ptr<QMessageBox> box(
        makeMessageBox(QMessageBox::Warning, "Warning", "Text", QMessageBox::Ok | QMessageBox::Cancel, nullptr));
    std::unique_ptr<QFileDialog> chooser(
        makeFileDialog({"Import", "/tmp", "Profile File (*.prof)", "prof", {}}, false, nullptr));
    for (QWidget* w : {static_cast<QWidget*>(box.get()), static_cast<QWidget*>(chooser.get())}) {
        EXPECT_LT(w->palette().color(QPalette::Window).lightness(), 60);
        EXPECT_GT(w->palette().color(QPalette::WindowText).lightness(), 200);
        EXPECT_LT(w->palette().color(QPalette::Base).lightness(), 60);
        EXPECT_EQ(w->font().family(), "DejaVu Sans");
    }
    EXPECT_EQ(chooser->defaultSuffix(), "prof");
    EXPECT_EQ(chooser->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(box->windowTitle(), "Warning");
}

}  // namespace
