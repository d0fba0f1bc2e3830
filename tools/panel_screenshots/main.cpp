// panel_screenshots OUTDIR: renders the configuration window into PNG files without a display
// (run it with QT_QPA_PLATFORM=offscreen in a private session; scripts/screenshots does both):
// every page with the mouse connected, the start page without the mouse and without the service,
// the popup menus of the button page and the lighting page, every function dialog, and the message
// boxes and file chooser of the window's prompts.
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QToolTip>

#include <cstdio>
#include <functional>
#include <memory>
#include <vector>
#include <string>

#include "panel/dialogs/dpi_shift_dialog.h"
#include "panel/dialogs/gunfire_dialog.h"
#include "panel/dialogs/key_dialog.h"
#include "panel/dialogs/macro_name_menu.h"
#include "panel/dialogs/macro_select_dialog.h"
#include "panel/dialogs/program_dialog.h"
#include "panel/dialogs/prompts.h"
#include "panel/dialogs/rename_dialog.h"
#include "panel/dialogs/xshoot_dialog.h"
#include "panel/layout/window_layout.h"
#include "panel/main_dialog.h"
#include "shared/macro_library.h"
#include "panel/macro/macro_page.h"
#include "shared/macro_file.h"
#include "platform/known_folders.h"
#include "platform/message_bus.h"
#include "platform/profile_ini.h"
#include "qtbridge/qt_reactor.h"
#include "shared/function_codes.h"
#include "shared/window_messages.h"
#include "skin/bitmap_button.h"
#include "skin/bitmap_menu.h"
#include "skin/colour_edit.h"
#include "skin/colour_select.h"

namespace {

bool save(QWidget& widget, const QString& file) {
    const bool ok = widget.grab().save(file, "PNG");
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(file));
    return ok;
}

// A window with an open popup: the window, the menu and its submenu drawn where they are on the
// screen, on a plain desktop-coloured canvas that holds all three.
bool saveWithMenu(QWidget& dialog, QWidget& menu, const QString& file) {
    std::vector<QWidget*> parts{&dialog, &menu};
    if (auto* bitmapMenu = qobject_cast<skin::CBmpMenu*>(&menu); bitmapMenu && bitmapMenu->submenu() != nullptr)
        parts.push_back(bitmapMenu->submenu());
    QRect area;
    for (QWidget* w : parts) area |= QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
    area.adjust(-16, -16, 16, 16);
    const qreal ratio = dialog.devicePixelRatioF();
    QPixmap picture(area.size() * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(QColor(0x2B, 0x2E, 0x33));
    QPainter painter(&picture);
    for (QWidget* w : parts) painter.drawPixmap(w->mapToGlobal(QPoint(0, 0)) - area.topLeft(), w->grab());
    painter.end();
    const bool ok = picture.save(file, "PNG");
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(file));
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: panel_screenshots OUTDIR\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]) + "/";
    QApplication app(argc, argv);
    QtReactor reactor;
    panel::ServiceMessenger messenger;
    panel::PanelModel model(panel::userPaths(platform::programFolder()), messenger);
    // A stand-in for the service, so the window sees a running service.
    platform::Window service(reactor, [](uint32_t, int64_t, int64_t) -> int64_t { return 0; });
    service.create(title::kService);
    panel::CMocfgDlg dialog(model, messenger);
    dialog.initialise();
    dialog.createPages();
    dialog.move(dialog.screen()->availableGeometry().topLeft() + QPoint(40, 40));
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog)) std::fprintf(stderr, "the window was not shown\n");
    bool ok = true;

    // The start page without the mouse, then with it.
    platform::writeProfileInt(model.paths().settingsPath, "Setting", "Device", 0);
    dialog.updateState();
    ok &= save(dialog, out + "state-no-mouse.png");
    platform::writeProfileInt(model.paths().settingsPath, "Setting", "Device", 1);
    dialog.updateState();

    // A macro of keys, delays, clicks and moves for the macro page, and a second one for its list.
    {
        macro::MacroLibrary library(model.paths().settingsPath, model.paths().macroFolder);
        for (const char* name : {"Reload", "Burst fire"}) {
            std::string created;
            if (library.slotOf(name) < 0 && library.createNew(name, 1, created) == macro::LibraryResult::Ok)
                library.rename(created, name);
        }
        using namespace macro;
        const Event events[] = {keyEvent(0xE1, true),  keyEvent(0x15, true),     delayEvent(60),
                                keyEvent(0x15, false), keyEvent(0xE1, false),    delayEvent(120),
                                buttonEvent(1, true),  delayEvent(30),           buttonEvent(1, false),
                                delayEvent(250),       moveEvent(0, -10),        delayEvent(10),
                                moveEvent(25, 0),      delayEvent(10),           buttonEvent(2, true),
                                delayEvent(40),        buttonEvent(2, false)};
        Block block{};
        int n = 0;
        for (const Event& e : events) setEventAt(block, n++, e);
        writeMacroFile(library.filePath("Reload"), n, 3, block);
        writeMacroFile(library.filePath("Burst fire"), 0, 1, Block{});  // filled by a recording below
    }

    const struct {
        int page;
        const char* name;
    } pages[] = {{layout::kStartPage, "page-start.png"},     {layout::kButtonPage, "page-buttons.png"},
                 {layout::kMacroPage, "page-macro.png"},     {layout::kLightingPage, "page-lighting.png"},
                 {layout::kDpiPage, "page-dpi.png"},         {layout::kBlankPage, "page-blank.png"}};
    for (const auto& p : pages) {
        dialog.showPage(p.page);
        ok &= save(dialog, out + p.name);
    }

    // The function menu of the first button with its "Advanced" submenu open.
    dialog.showPage(layout::kButtonPage);
    if (auto* label = dialog.button(layout::Role::ButtonLabel, 0)) {
        QTest::mouseClick(label, Qt::LeftButton);
        if (skin::CBmpMenu* menu = dialog.popup()) {
            menu->openSubmenu(7);
            QTest::qWait(20);
            ok &= saveWithMenu(dialog, *menu, out + "menu-functions.png");
            dialog.closePopup();
        } else {
            ok = false;
        }
    }

    // The macro page's event menu and its list of macro names.
    dialog.showPage(layout::kMacroPage);
    if (panel::MacroPage* page = dialog.macroPage()) {
        if (auto* b = dialog.button(layout::Role::MacroCommand, layout::kMacroEventMenu)) {
            QTest::mouseClick(b, Qt::LeftButton);
            if (skin::CBmpMenu* menu = page->eventMenu()) {
                ok &= saveWithMenu(dialog, *menu, out + "menu-macro-events.png");
                menu->close();
            }
        }
        if (auto* b = dialog.button(layout::Role::MacroName)) {
            // The closed menu left no window active; a popup opened then would close at once.
            dialog.activateWindow();
            if (!QTest::qWaitForWindowActive(&dialog)) std::fprintf(stderr, "the window did not become active\n");
            b->click();
            QTest::qWait(20);
            if (QWidget* names = page->nameMenu()) {
                ok &= saveWithMenu(dialog, *names, out + "menu-macro-names.png");
                names->close();
            } else {
                std::fprintf(stderr, "the macro name list did not open\n");
                ok = false;
            }
        }
        // A recording that filled the empty second macro: 31 keys held at once, then the notice.
        page->onMessage(macro::kMacroChosen, 1, 0);
        if (auto* record = dialog.button(layout::Role::MacroCommand, layout::kMacroRecord)) record->click();
        for (uint32_t vk = 65; vk < 65 + 26; ++vk) page->onMessage(panel::kHookKey, vk, 0);
        for (uint32_t vk = 48; vk < 48 + 5; ++vk) page->onMessage(panel::kHookKey, vk, 0);
        if (page->editor().recording() || !page->editor().limitReached()) {
            std::fprintf(stderr, "the recording did not end at the limit\n");
            ok = false;
        }
        ok &= save(dialog, out + "page-macro-full.png");
    }

    // The lighting page's mode menu.
    dialog.showPage(layout::kLightingPage);
    if (auto* mode = dialog.button(layout::Role::LightMode)) {
        QTest::mouseClick(mode, Qt::LeftButton);
        if (skin::CBmpMenu* menu = dialog.popup()) {
            ok &= saveWithMenu(dialog, *menu, out + "menu-lighting.png");
            dialog.closePopup();
        } else {
            ok = false;
        }
    }

    // The wave effect with its default direction, and an orange typed into the colour field.
    if (auto* mode = dialog.button(layout::Role::LightMode)) {
        QTest::mouseClick(mode, Qt::LeftButton);
        if (skin::CBmpMenu* menu = dialog.popup()) QTest::mouseClick(menu->item(1), Qt::LeftButton);
        for (int round = 0; round < 2; ++round) QCoreApplication::sendPostedEvents();  // the choice
    }
    if (auto* selector = qobject_cast<skin::COwnColorSelect*>(dialog.control(layout::Role::ColorSelector))) {
        selector->field(skin::kHexFieldId)->clear();
        QTest::keyClicks(selector->field(skin::kHexFieldId), "ff8000");
    }
    for (int round = 0; round < 3; ++round) QCoreApplication::sendPostedEvents();
    ok &= save(dialog, out + "page-lighting-wave.png");

    // Separate X and Y resolution, then a DPI value being typed (a double-click on the stage tile).
    dialog.showPage(layout::kDpiPage);
    if (auto* separate = dialog.button(layout::Role::DpiSeparate)) {
        QTest::mouseClick(separate, Qt::LeftButton);
        ok &= save(dialog, out + "page-dpi-separate.png");
        if (auto* tile = dialog.button(layout::Role::DpiStage, 1)) {
            QTest::mouseDClick(tile, Qt::LeftButton);
            ok &= save(dialog, out + "page-dpi-typing.png");
            if (QWidget* field = dialog.focusWidget()) QTest::keyClick(field, Qt::Key_Escape);
        }
        QTest::mouseClick(separate, Qt::LeftButton);
    }

    // A Wayland session: the acceleration group says the desktop's settings apply, and the strip
    // that the service's shortcuts are off (no access to /dev/uinput).
    dialog.setDesktopPointerSettings(true);
    dialog.showPage(layout::kDpiPage);
    ok &= save(dialog, out + "page-dpi-wayland.png");
    dialog.setDesktopPointerSettings(false);
    dialog.onMessage(msg::kShortcutState, msg::kShortcutsOff, 0);
    dialog.showPage(layout::kStartPage);
    ok &= save(dialog, out + "state-shortcuts-off.png");
    dialog.onMessage(msg::kShortcutState, msg::kShortcutsEverywhere, 0);
    // Apply clicked: the strip says the settings were written; Apply's tooltip.
    if (QWidget* apply = dialog.control(layout::Role::Apply)) {
        QTest::mouseClick(apply, Qt::LeftButton);
        ok &= QTest::qWaitFor([&] { return dialog.stripText() == dialog.text("WRITTEN"); });
        ok &= save(dialog, out + "state-written.png");
        const QPoint tipAt = apply->mapToGlobal(QPoint(apply->width() / 2, 0));
        QToolTip::showText(tipAt, apply->toolTip(), apply);
        QWidget* tip = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->inherits("QTipLabel")) tip = w;
        ok &= tip != nullptr && saveWithMenu(dialog, *tip, out + "tooltip-apply.png");
        QToolTip::hideText();
    }
    // A profile button's program menu, with a program chosen for profile 2.
    dialog.showPage(layout::kButtonPage);
    model.setProgramRule(1, "/usr/bin/bash");
    if (auto* profile = dialog.button(layout::Role::Profile, 1)) {
        // Through the window, as the window system delivers it: the press makes the context menu event.
        QTest::mouseClick(dialog.windowHandle(), Qt::RightButton, {}, profile->geometry().center());
        if (skin::CBmpMenu* menu = dialog.popup()) {
            ok &= saveWithMenu(dialog, *menu, out + "menu-program.png");
            dialog.closePopup();
        } else {
            ok = false;
        }
    }
    model.setProgramRule(1, "");

    // Without the service.
    service.destroy();
    dialog.showPage(layout::kStartPage);
    dialog.updateState();
    ok &= save(dialog, out + "state-no-service.png");

    // The function dialogs, on a copy of the settings whose first buttons hold a key (A), an
    // X-shoot with the middle button and a DPI shift to 750.
    auto settings = std::make_unique<MouseSettings>(model.working());
    ButtonRecord* buttons = settings->profiles[model.currentProfile()].buttons;
    buttons[0].code = kCodeSingleKey;
    buttons[0].byte(3) = 1;
    buttons[0].byte(4) = 0;
    buttons[0].byte(5) = 4;
    buttons[1].code = kCodeXShoot;
    buttons[1].byte(2) = 5;
    buttons[1].byte(3) = 40;
    buttons[1].byte(5) = 132;
    buttons[2].code = kCodeDpiShift;
    buttons[2].byte(2) = 3;
    const dialogs::DialogContext context{model.paths().programFolder, model.paths().stringsPath};
    auto shoot = [&](dialogs::CSkinDialog& d, const char* name, const std::function<QWidget*()>& menu = {}) {
        d.show();
        if (!QTest::qWaitForWindowExposed(&d)) std::fprintf(stderr, "the dialog %s was not shown\n", name);
        QTest::qWait(20);
        ok &= save(d, out + "dialog-" + name + ".png");
        if (menu) {
            if (QWidget* popup = menu()) {
                QTest::qWait(20);
                ok &= saveWithMenu(d, *popup, out + "dialog-" + name + "-menu.png");
                popup->close();
            }
        }
        d.close();
    };
    {
        dialogs::CGunfireDlg d(context, buttons[3], &dialog);
        shoot(d, "gunfire");
    }
    {
        dialogs::CKeyExDlg d(context, buttons[0], &dialog);
        shoot(d, "key");
    }
    {
        dialogs::CDPIShift d(context, buttons[2], &dialog);
        shoot(d, "dpishift", [&] {
            d.valueButton()->click();
            return d.popup();
        });
    }
    {
        dialogs::CXShoot d(context, buttons[1], &dialog);
        shoot(d, "xshoot", [&] {
            d.outputButton()->click();
            return d.popup();
        });
    }
    {
        dialogs::CRenameProfileDlg d(context, &dialog);
        d.setText(QStringLiteral("Reload"));
        shoot(d, "rename");
    }
    {
        // Two macros of this private session; the dialog opens at the first, in play mode 0.
        macro::MacroLibrary library(model.paths().settingsPath, model.paths().macroFolder);
        for (const char* name : {"Reload", "Burst fire"}) {
            std::string created;
            if (library.slotOf(name) < 0 && library.createNew(name, 1, created) == macro::LibraryResult::Ok)
                library.rename(created, name);
        }
        dialogs::CMacroSelDlg d(context, library, buttons[4], &dialog);
        shoot(d, "macrosel", [&] {
            d.nameButton()->click();
            return d.popup();
        });
    }
    for (bool available : {true, false}) {
        dialogs::CProgramDlg d(context, 1, QStringLiteral("/usr/bin/bash"), available, &dialog);
        shoot(d, available ? "program" : "program-wayland");
    }

    // The message boxes and the file chooser the window's prompts show, in the skin's colours.
    auto shootPrompt = [&](QWidget& prompt, const char* name) {
        prompt.show();
        if (!QTest::qWaitForWindowExposed(&prompt)) std::fprintf(stderr, "the prompt %s was not shown\n", name);
        QTest::qWait(20);
        ok &= save(prompt, out + "prompt-" + name + ".png");
        prompt.close();
    };
    {
        std::unique_ptr<QMessageBox> box(dialogs::makeMessageBox(QMessageBox::Warning, dialog.text("WARNING"),
                                                                 dialog.text("NOSAVE"), QMessageBox::Ok, &dialog));
        shootPrompt(*box, "warning");
    }
    {
        std::unique_ptr<QMessageBox> box(dialogs::makeMessageBox(QMessageBox::Warning, dialog.text("WARNING"),
                                                                 dialog.text("WARN1", "BUTTONPAGE"),
                                                                 QMessageBox::Ok | QMessageBox::Cancel, &dialog));
        shootPrompt(*box, "question");
    }
    {
        const QString question = dialog.text("RECORDOVER", "BUTTONPAGE").arg(QStringLiteral("Reload")).arg(17);
        std::unique_ptr<QMessageBox> box(dialogs::makeMessageBox(QMessageBox::Warning, dialog.text("WARNING"), question,
                                                                 QMessageBox::Ok | QMessageBox::Cancel, &dialog));
        shootPrompt(*box, "record-over");
    }
    {
        const dialogs::FileQuery query{dialog.text("IMPORTTITLE"),
                                       QString::fromStdString(platform::parentFolder(model.paths().settingsPath)),
                                       dialog.text("PROFILEFILTER"), QStringLiteral("prof"), {}};
        std::unique_ptr<QFileDialog> chooser(dialogs::makeFileDialog(query, false, &dialog));
        chooser->setViewMode(QFileDialog::List);  // names only: the files' times would change every picture
        shootPrompt(*chooser, "file");
    }
    return ok ? 0 : 1;
}
