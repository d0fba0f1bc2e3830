// Every page, menu and dialog of the window, looked at as a screen reader and as a reader of each
// shipped language would: each focusable control has a name and a role that says what it is, and
// each text fits its control.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QLabel>
#include <QTest>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "panel/dialogs/dpi_shift_dialog.h"
#include "panel/dialogs/edit_delay_dialog.h"
#include "panel/dialogs/gunfire_dialog.h"
#include "panel/dialogs/key_dialog.h"
#include "panel/dialogs/macro_select_dialog.h"
#include "panel/dialogs/program_dialog.h"
#include "panel/dialogs/rename_dialog.h"
#include "panel/dialogs/xshoot_dialog.h"
#include "panel/macro/macro_page.h"
#include "panel/main_dialog.h"
#include "shared/function_codes.h"
#include "shared/macro_library.h"
#include "skin/bitmap_button.h"
#include "skin/bitmap_menu.h"
#include "skin/static_trans.h"
#include "tests/support/private_session.h"

namespace {

using layout::Role;

class QuietService : public panel::ServiceMessenger {
public:
    bool post(uint32_t, int64_t, int64_t) override { return true; }
    bool send(uint32_t, int64_t, int64_t) override { return true; }
    bool serviceRunning() override { return true; }
};

// Shows every view of a window in the language LANGUAGE names and hands each to look(name, root).
void forEachView(const std::string& language, const std::function<void(const std::string&, QWidget&)>& look) {
    testsupport::PrivateEnvironment env{"korvante-views"};
    ASSERT_TRUE(env.ready());
    env.set("LANGUAGE", language);
    QuietService service;
    panel::PanelModel model(panel::userPaths(KORVANTE_BIN_DIR), service);
    panel::CMocfgDlg window(model, service);
    window.initialise();
    window.createPages();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    {
        macro::MacroLibrary library(model.paths().settingsPath, model.paths().macroFolder);
        std::string created;
        library.createNew("Reload", 1, created);
    }
    const struct {
        int page;
        const char* name;
    } pages[] = {{layout::kStartPage, "start page"}, {layout::kButtonPage, "button page"},
                 {layout::kMacroPage, "macro page"}, {layout::kLightingPage, "lighting page"},
                 {layout::kDpiPage, "performance page"}};
    for (const auto& p : pages) {
        window.showPage(p.page);
        look(p.name, window);
    }
    auto menu = [&](const char* name, int page, Role role, int index, const std::function<QWidget*()>& opened) {
        window.showPage(page);
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window)) << name;
        QWidget* b = window.control(role, index);
        ASSERT_NE(b, nullptr) << name;
        QTest::mouseClick(b, Qt::LeftButton);
        QWidget* m = opened();
        ASSERT_NE(m, nullptr) << name;
        look(name, *m);
        if (auto* bitmapMenu = qobject_cast<skin::CBmpMenu*>(m); bitmapMenu != nullptr) {
            for (int i = 0; i < bitmapMenu->itemCount(); ++i) {
                bitmapMenu->openSubmenu(i);
                if (bitmapMenu->submenu() != nullptr) look(std::string(name) + " submenu", *bitmapMenu->submenu());
            }
        }
        m->close();
    };
    menu("function menu", layout::kButtonPage, Role::ButtonLabel, 0, [&] { return window.popup(); });
    menu("lighting menu", layout::kLightingPage, Role::LightMode, 0, [&] { return window.popup(); });
    menu("macro event menu", layout::kMacroPage, Role::MacroCommand, layout::kMacroEventMenu,
         [&] { return window.macroPage()->eventMenu(); });
    menu("macro names", layout::kMacroPage, Role::MacroName, 0, [&] { return window.macroPage()->nameMenu(); });

    const dialogs::DialogContext context{model.paths().programFolder, model.paths().stringsPath};
    ButtonRecord button{};
    macro::MacroLibrary library(model.paths().settingsPath, model.paths().macroFolder);
    std::vector<std::pair<const char*, std::unique_ptr<dialogs::CSkinDialog>>> shown;
    shown.emplace_back("gunfire dialog", std::make_unique<dialogs::CGunfireDlg>(context, button, &window));
    shown.emplace_back("key dialog", std::make_unique<dialogs::CKeyExDlg>(context, button, &window));
    shown.emplace_back("DPI shift dialog", std::make_unique<dialogs::CDPIShift>(context, button, &window));
    shown.emplace_back("X-shoot dialog", std::make_unique<dialogs::CXShoot>(context, button, &window));
    shown.emplace_back("rename dialog", std::make_unique<dialogs::CRenameProfileDlg>(context, &window));
    shown.emplace_back("macro dialog", std::make_unique<dialogs::CMacroSelDlg>(context, library, button, &window));
    shown.emplace_back("program dialog",
                       std::make_unique<dialogs::CProgramDlg>(context, 1, QStringLiteral("/usr/bin/bash"), true, &window));
    shown.emplace_back("delay dialog", std::make_unique<dialogs::CEditDelay>(context, window.text("INSERTNEWDELAY", "BUTTONPAGE"), 10, 100, &window));
    for (auto& [name, dialog] : shown) {
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get())) << name;
        look(name, *dialog);
        dialog->close();
    }
}

std::string describe(QWidget* w) {
    const QRect r = w->geometry();
    return std::string(w->metaObject()->className()) + " at " + std::to_string(r.x()) + "," + std::to_string(r.y());
}

// What a reader could not tell of the focusable controls under iface.
void walk(QAccessibleInterface* iface, const std::string& view, std::vector<std::string>& faults) {
    static const std::set<QAccessible::Role> generic{QAccessible::NoRole, QAccessible::Client, QAccessible::Pane,
                                                     QAccessible::Grouping, QAccessible::Window};
    const QAccessible::State state = iface->state();
    if (state.focusable && !state.invisible) {
        auto* widget = qobject_cast<QWidget*>(iface->object());
        const std::string what = view + ": " + (widget ? describe(widget) : std::string("an item"));
        if (iface->text(QAccessible::Name).trimmed().isEmpty()) faults.push_back(what + " has no name");
        if (generic.count(iface->role())) faults.push_back(what + " has the generic role " + std::to_string(iface->role()));
    }
    for (int i = 0; i < iface->childCount(); ++i)
        if (QAccessibleInterface* child = iface->child(i)) walk(child, view, faults);
}

// A text of a label, caption or menu item that does not fit its control.
void measure(QWidget& root, const std::string& view, std::vector<std::string>& faults) {
    for (QWidget* w : root.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&root)) continue;
        if (auto* b = qobject_cast<skin::CBitmapBtn*>(w)) {
            if (!b->captionFits(3)) faults.push_back(view + ": \"" + b->caption().toStdString() + "\"");
        } else if (auto* label = qobject_cast<skin::CStaticTrans*>(w); label != nullptr && !label->text().isEmpty()) {
            const QRect room = label->contentsRect();
            const QFontMetrics metrics(label->font());
            const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
            const QRect used = metrics.boundingRect(room, flags, label->text());
            if (used.width() > room.width() || used.height() > room.height() + 2)
                faults.push_back(view + ": \"" + label->text().toStdString() + "\" (" + std::to_string(used.width()) +
                                 "x" + std::to_string(used.height()) + " in " + std::to_string(room.width()) + "x" +
                                 std::to_string(room.height()) + ")");
        }
    }
}

std::string joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& l : lines) all += "\n  " + l;
    return all;
}

}  // namespace

TEST(EveryView, EachFocusableControlHasANameAndARoleAReaderSpeaks) {
    std::vector<std::string> faults;
    forEachView("en", [&](const std::string& view, QWidget& root) {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&root);
        ASSERT_NE(iface, nullptr);
        if (root.isWindow() && iface->text(QAccessible::Name).trimmed().isEmpty()) faults.push_back(view + " has no title");
        for (int i = 0; i < iface->childCount(); ++i)
            if (QAccessibleInterface* child = iface->child(i)) walk(child, view, faults);
    });
    EXPECT_TRUE(faults.empty()) << joined(faults);
}

TEST(EveryView, EachTextFitsItsControlInEveryShippedLanguage) {
    for (const char* language : {"en", "de", "es", "zh_CN"}) {
        std::vector<std::string> faults;
        forEachView(language, [&](const std::string& view, QWidget& root) { measure(root, view, faults); });
        EXPECT_TRUE(faults.empty()) << language << ": clipped" << joined(faults);
    }
}
