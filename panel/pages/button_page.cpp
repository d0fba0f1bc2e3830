#include "panel/pages/button_page.h"

#include "panel/dialogs/function_dialogs.h"
#include "panel/dialogs/program_dialog.h"
#include "panel/dialogs/prompts.h"
#include "panel/function_menu.h"
#include "panel/panel_model.h"
#include "platform/focus_watch.h"
#include "shared/function_codes.h"
#include "shared/macro_file.h"
#include "shared/macro_library.h"
#include "shared/string_table.h"
#include "skin/bitmap_button.h"
#include "skin/bitmap_menu.h"
#include "skin/skinned_window.h"

namespace panel {

namespace {

using layout::Role;

// Items of a profile button's program menu.
constexpr int kProgramSet = 1;
constexpr int kProgramClear = 2;

QString qs(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

ButtonPage::ButtonPage(PageHost& host) : Page(host, layout::kButtonPage, layout::buttonPage()) {}

void ButtonPage::controlsMade() {
    for (int p = 0; p < kProfileCount; ++p) {
        skin::CBitmapBtn* b = button(Role::Profile, p);
        if (b == nullptr) continue;
        // Right click or the menu key: the program of the profile.
        b->setContextMenuPolicy(Qt::CustomContextMenu);
        QObject::connect(b, &QWidget::customContextMenuRequested, b, [this, p] { openProgramMenu(p); });
    }
}

void ButtonPage::refresh(const PanelModel& model) {
    for (int p = 0; p < kProfileCount; ++p)
        if (skin::CBitmapBtn* b = button(Role::Profile, p)) b->setChecked(p == model.currentProfile());
    // The labels as the button records name them (the model keeps the macro buttons in step with
    // the macro list).
    const ProfileGroup& group = model.working().profiles[model.currentProfile()];
    const macro::MacroLibrary library(model.paths().settingsPath, model.paths().macroFolder);
    const std::vector<std::string> macros = library.names();
    std::vector<int> loopTimes;  // how often the mouse plays each macro
    for (const std::string& name : macros) loopTimes.push_back(library.loopTimeForButton(name));
    const TextLookup lookup = [this](std::string_view key) { return host_.strings().lookup("BUTTONPAGE", std::string(key)); };
    for (int i = 0; i < kDeviceButtonCount; ++i) {
        skin::CBitmapBtn* b = button(Role::ButtonLabel, i);
        if (b == nullptr) continue;
        ButtonRecord record = group.buttons[i];
        const QString label = qs(buttonLabel(record, macros, lookup, loopTimes));
        b->setCaption(label);
        b->setAccessibleName(text("BUTTON") + QStringLiteral(" %1: %2").arg(i + 1).arg(label));
    }
    refreshProgramTips(model);
}

void ButtonPage::refreshProgramTips(const PanelModel& model) {
    for (int p = 0; p < kProfileCount; ++p) {
        skin::CBitmapBtn* b = button(Role::Profile, p);
        if (b == nullptr) continue;
        const QString program = qs(model.programRule(p));
        b->setToolTip(program.isEmpty() ? tip(Role::Profile, p) : text("PROGRAMTIP").arg(p + 1).arg(program));
    }
}

bool ButtonPage::command(const layout::Control& c) {
    switch (c.role) {
        case Role::Profile:
            if (host_.model().selectProfile(c.index)) return true;
            if (skin::CBitmapBtn* b = button(Role::Profile, c.index)) b->setChecked(true);  // stays current
            return false;
        case Role::ButtonLabel: openFunctionMenu(c.index); return false;
        default: return false;
    }
}

void ButtonPage::menuChosen(int64_t lParam) {
    if (programMenuProfile_ >= 0) {
        const int profile = programMenuProfile_;
        programMenuProfile_ = -1;
        chooseProgram(profile, static_cast<int>((lParam >> 16) & 0xFFFF));
    } else {
        assignFunction(lParam);
    }
}

void ButtonPage::openFunctionMenu(int buttonIndex) {
    skin::CBitmapBtn* label = button(Role::ButtonLabel, buttonIndex);
    if (label == nullptr) return;
    programMenuProfile_ = -1;
    selectedButton_ = buttonIndex;
    // The button belongs to the profile shown when its menu opened, whatever the mouse reports
    // while the menu or a dialog is open.
    menuProfile_ = host_.model().currentProfile();
    std::vector<skin::MenuItem> items;
    for (const FunctionMenuItem& item : buildFunctionMenu(menuProfile_)) {
        skin::MenuItem m{text(item.key.c_str(), "BUTTONPAGE"), item.number, !item.submenu.empty() || item.number == 15, {}};
        for (const FunctionMenuEntry& e : item.submenu)
            m.submenu.push_back({text(e.key.c_str(), "BUTTONPAGE"), e.number});
        items.push_back(std::move(m));
    }
    const QPoint labelCorner = label->mapToGlobal(QPoint(0, label->height()));
    const skin::ScreenArea area = skin::popupArea(label, labelCorner);
    const MenuCorner corner = functionMenuCorner(labelCorner.x(), labelCorner.y(), area.right, area.bottom);
    host_.openPopup(QPoint(corner.x, corner.y), items,
                    {programFolder(), "menu_normal.png", "menu_over.png", "menu_down.png"});
}

void ButtonPage::assignFunction(int64_t lParam) {
    const int b = selectedButton_;
    selectedButton_ = -1;
    if (b < 0 || b >= kButtonRecordCount) return;
    const int group = static_cast<int>((lParam >> 16) & 0xFFFF);
    const int item = static_cast<int>(lParam & 0xFFFF);
    const int profile = menuProfile_;
    PanelModel& model = host_.model();
    const ButtonRecord* records = model.working().profiles[profile].buttons;
    switch (leftClickGuard(records, kButtonRecordCount, b, group)) {
        case GuardDecision::Ignore: return;
        case GuardDecision::Warn: host_.warn(text("WARN3", "BUTTONPAGE")); return;
        case GuardDecision::Proceed: break;
    }
    const MenuDecision decision = decideMenuSelection(group, item);
    if (decision.action == MenuAction::Nothing) return;
    const macro::MacroLibrary library(model.paths().settingsPath, model.paths().macroFolder);
    if (decision.action == MenuAction::SelectMacro && library.names().empty()) {
        host_.showPage(layout::kMacroPage);  // with no macro yet, the macro page is where one is made
        return;
    }
    const dialogs::DialogContext context{model.paths().programFolder, model.paths().stringsPath};
    const std::optional<assignment::Value> value =
        dialogs::askFunctionValue(decision.action, context, records[b], library, &window());
    if (host_.closingDown()) return;  // the service closed the window while a dialog was open
    // A cancelled dialog stores nothing; the file is saved and the service told all the same.
    if (!value || !model.assignFunction(profile, b, decision.code, *value))
        model.saveAndTell(settingsrules::buttonChanged(profile, b));
    host_.showSettings();
    host_.saveOrSay();
}

void ButtonPage::openProgramMenu(int profile) {
    skin::CBitmapBtn* anchor = button(Role::Profile, profile);
    if (anchor == nullptr || !anchor->isVisible()) return;
    selectedButton_ = -1;
    programMenuProfile_ = profile;
    std::vector<skin::MenuItem> items{{text("PROGRAMSET"), kProgramSet, false, {}}};
    const QString program = qs(host_.model().programRule(profile));
    if (!program.isEmpty())
        items.push_back({text("PROGRAMCLEAR").arg(program.mid(program.lastIndexOf('/') + 1)), kProgramClear, false, {}});
    host_.openPopup(anchor->mapToGlobal(QPoint(1, anchor->height())), items,
                    {programFolder(), "wide_menu_normal.png", "wide_menu_over.png", "wide_menu_down.png"});
}

void ButtonPage::chooseProgram(int profile, int action) {
    PanelModel& model = host_.model();
    if (action == kProgramClear) {
        if (!model.setProgramRule(profile, {})) host_.warn(host_.noSaveText());
    } else if (action == kProgramSet) {
        const dialogs::DialogContext context{model.paths().programFolder, model.paths().stringsPath};
        dialogs::CProgramDlg dialog(context, profile, qs(model.programRule(profile)), !platform::waylandSession(),
                                    &window());
        if (dialogs::prompts().exec(dialog) != dialogs::kDialogOk || host_.closingDown()) return;
        if (!model.setProgramRule(profile, dialog.program().toStdString()))
            host_.warn(text("NOPROGRAM").arg(dialog.program()));
    }
    refreshProgramTips(model);
}

}  // namespace panel
