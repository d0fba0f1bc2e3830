#include "panel/macro/macro_page.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRegularExpressionValidator>

#include "panel/dialogs/edit_delay_dialog.h"
#include "panel/dialogs/key_capture.h"
#include "panel/dialogs/key_events.h"
#include "panel/dialogs/macro_name_menu.h"
#include "panel/dialogs/prompts.h"
#include "panel/dialogs/rename_dialog.h"
#include "panel/panel_model.h"
#include "platform/known_folders.h"
#include "shared/string_table.h"
#include "skin/bitmap_button.h"
#include "skin/bitmap_menu.h"
#include "skin/colour_edit.h"
#include "skin/list_box_ex.h"
#include "skin/static_trans.h"

namespace panel {
namespace {

using layout::Role;

QString qs(const std::string& text) { return QString::fromStdString(text); }

// The event list's menu: item number and label key ("BUTTONPAGE").
struct EventMenuEntry {
    int number;
    const char* key;
};
constexpr EventMenuEntry kEventMenu[] = {
    {40001, "INSERTNEWACT"}, {40002, "COPYACT"},  {40003, "CUTACT"},    {40004, "PASTEACT"},
    {40015, "CLICK"},        {40016, "MENU"},     {40017, "MIDDLE"},    {40024, "MOVELEFT"},
    {40025, "MOVERIGHT"},    {40026, "MOVEUP"},   {40027, "MOVEDOWN"},
};

constexpr int kMaxDelayMs = 131070;

// The Qt mouse button as the hook's mouse message.
uint32_t mouseMessageOf(Qt::MouseButton button, bool pressed) {
    switch (button) {
        case Qt::LeftButton: return pressed ? macro::kLeftDown : macro::kLeftUp;
        case Qt::RightButton: return pressed ? macro::kRightDown : macro::kRightUp;
        case Qt::MiddleButton: return pressed ? macro::kMiddleDown : macro::kMiddleUp;
        default: return 0;
    }
}

}  // namespace

MacroPage::MacroPage(PageHost& host)
    : Page(host, layout::kMacroPage, layout::macroPage()),
      paths_(host.model().paths()),
      strings_(host.strings()),
      library_(paths_.settingsPath, paths_.macroFolder),
      editor_([&strings = strings_](std::string_view section, std::string_view key) {
          return strings.lookup(std::string(section), std::string(key));
      }) {}

MacroPage::~MacroPage() {
    if (windowCapture_) qApp->removeEventFilter(this);
}

QString MacroPage::text(const char* key, const char* section) const { return qs(strings_.lookup(section, key)); }

QWidget* MacroPage::makeControl(const layout::Control& c) {
    const QRect rect(c.rect.left, c.rect.top, c.rect.width(), c.rect.height());
    if (c.role == Role::MacroList) {
        list_ = new skin::CListBoxEx(&window());
        list_->setColors(skin::colour::kListGround, skin::colour::kListSelection, skin::colour::kListText,
                         skin::colour::kText);
        list_->loadPictures(paths_.programFolder);
        list_->setGeometry(rect);
        list_->setAccessibleName(text("PAGEMACRO", "MAIN"));
        const layout::Rect infoArea = layout::macroInfoArea();
        info_ = new skin::CStaticTrans(&window());
        info_->setTextColor(skin::colour::kHeading);
        info_->setFontHeight(13);
        info_->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
        info_->setGeometry(infoArea.left + 10, infoArea.top, infoArea.width() - 20, infoArea.height());
        keep(info_);
        const layout::Rect noteArea = layout::macroNoteArea();
        note_ = new skin::CStaticTrans(&window());
        note_->setTextColor(skin::colour::kNotice);
        note_->setFontHeight(12);
        note_->setWordWrap(true);
        note_->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
        note_->setGeometry(noteArea.left, noteArea.top, noteArea.width(), noteArea.height());
        note_->setText(windowCapture_ ? text("RECORDLOCAL") : QString());
        keep(note_);
        return list_;
    }
    if (c.role != Role::MacroCommand || (c.index != layout::kMacroDelayField && c.index != layout::kMacroLoopField))
        return nullptr;
    auto* field = new skin::CClrEdit(&window());  // placed at its rectangle with the page's controls
    field->setBackgroundColor(skin::colour::kFieldGround);
    field->setFontHeight(15);
    field->setAlignment(Qt::AlignCenter);
    field->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), field));
    field->setNotifyTarget(&window());
    if (c.index == layout::kMacroDelayField) {
        field->setMaxLength(5);
        field->setText(QStringLiteral("10"));
        field->setAccessibleName(text("INSERTNEWDELAY"));
        delayField_ = field;  // read when the fixed delay is used
        delayUnit_ = new skin::CStaticTrans(&window());
        delayUnit_->setTextColor(skin::colour::kHeading);
        delayUnit_->setFontHeight(14);
        delayUnit_->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
        delayUnit_->setText(text("MS"));
        delayUnit_->setGeometry(rect.right() + 9, rect.top(), 80, rect.height());
        keep(delayUnit_);
    } else {
        field->setMaxLength(3);
        field->setText(QStringLiteral("0"));
        field->setAccessibleName(text("HEADLOOP", "MAIN"));
        loopField_ = field;
    }
    return field;
}

void MacroPage::setWindowCapture(bool on) {
    if (on == windowCapture_) return;
    windowCapture_ = on;
    if (note_ != nullptr) note_->setText(on ? text("RECORDLOCAL") : QString());
}

QString MacroPage::infoText() const {
    QString count = text("EVENTCOUNT");
    QString total = text("TOTALTIME");
    if (count.isEmpty()) count = QStringLiteral("Events: %1");
    if (total.isEmpty()) total = QStringLiteral("Total: %1 ms");
    return count.arg(editor_.count()) + QStringLiteral("     ") + total.arg(editor_.totalMilliseconds());
}

void MacroPage::refreshInfo() {
    if (info_ != nullptr) info_->setText(infoText());
}

void MacroPage::showItems() {
    if (list_ == nullptr) return;
    list_->resetContent();
    for (const macro::EditorItem& item : editor_.items()) list_->addString(qs(item.text), item.icon);
    list_->setCurSel(editor_.selection());
    refreshInfo();
}

void MacroPage::makeCurrent(const std::string& name) {
    name_ = name;
    const std::string path = name.empty() ? std::string() : library_.filePath(name);
    const std::optional<int> loopTime = path.empty() ? std::nullopt : editor_.loadFile(path);
    if (path.empty()) editor_.clear();
    // Every way a macro becomes current takes its loop count with it, so the next save never
    // writes another macro's count into it.
    loop_.fromLoopTime(loopTime.value_or(0));
    if (loopField_ != nullptr) loopField_->setText(qs(loop_.field));
    if (skin::CBitmapBtn* b = button(Role::MacroName, 0)) {
        b->setCaption(qs(name), 14);
        b->setAccessibleName(text("MACRO") + QStringLiteral(": ") + qs(name));
    }
    showItems();
    applyStates();
}

void MacroPage::becameCurrent() {
    editor_.setDelayMode(macro::DelayMode::Measured);
    reloadCurrent();
}

void MacroPage::serviceNotice() {
    // The service may have rewritten the macro files (a read-back from the mouse).
    reloadCurrent();
}

void MacroPage::reloadCurrent() {
    // A recording goes on into the macro it started in.
    if (editor_.recording()) {
        applyStates();
        return;
    }
    const std::vector<std::string> names = library_.names();
    const bool listed = std::find(names.begin(), names.end(), name_) != names.end();
    makeCurrent(listed ? name_ : names.empty() ? std::string() : names.front());
}

void MacroPage::applyStates() {
    const bool recording = editor_.recording();
    const bool haveMacro = !name_.empty();
    const bool idle = !recording && haveMacro;
    auto set = [&](int index, bool enabled) {
        if (skin::CBitmapBtn* b = button(Role::MacroCommand, index)) b->setEnabled(enabled);
    };
    set(layout::kMacroRecord, idle);
    set(layout::kMacroStop, recording);
    for (int index : {layout::kMacroDelayMeasured, layout::kMacroDelayFixed, layout::kMacroDelayNone}) {
        set(index, idle);
        if (skin::CBitmapBtn* b = button(Role::MacroCommand, index))
            b->setChecked(index - layout::kMacroDelayMeasured == static_cast<int>(editor_.delayMode()));
    }
    if (skin::CBitmapBtn* b = button(Role::MacroCommand, layout::kMacroLoopToggle)) {
        b->setChecked(loop_.on);
        b->setEnabled(idle);
    }
    for (int index : {layout::kMacroMoveUp, layout::kMacroMoveDown, layout::kMacroDelete, layout::kMacroEventMenu,
                      layout::kMacroRename, layout::kMacroRemove, layout::kMacroExport})
        set(index, idle);
    set(layout::kMacroNew, !recording);
    set(layout::kMacroImport, !recording);
    if (skin::CBitmapBtn* b = button(Role::MacroName, 0)) b->setEnabled(!recording && haveMacro);
    if (skin::CBitmapBtn* b = button(Role::TabHome, 0)) b->setEnabled(!recording);
    if (delayField_ != nullptr) delayField_->setEnabled(idle && editor_.delayMode() == macro::DelayMode::Fixed);
    if (loopField_ != nullptr) loopField_->setEnabled(idle && loop_.on);
    if (list_ != nullptr) list_->setEnabled(haveMacro || recording);
    if (delayField_ != nullptr && delayField_->text().toStdString() != editor_.delayField())
        delayField_->setText(qs(editor_.delayField()));
    refreshInfo();
}

bool MacroPage::saveAndNotify() {
    refreshInfo();
    if (name_.empty()) return false;
    const std::string path = library_.filePath(name_);
    const bool written = !path.empty() && platform::ensureFolder(paths_.macroFolder) &&
                         macro::writeMacroFile(path, editor_.count(), loop_.value(), editor_.block());
    if (!written) {
        host_.warn(text("MACRONOSAVE").arg(qs(path.empty() ? name_ : path)));
        return false;
    }
    host_.model().macroChanged(library_.slotOf(name_));
    return true;
}

void MacroPage::startRecording(bool insert) {
    if (name_.empty()) return;
    takeFields();
    if (insert) editor_.startInsert();
    else editor_.start();
    if (!insert) showItems();
    if (enableHooks_) enableHooks_(true);
    if (windowCapture_) qApp->installEventFilter(this);
    applyStates();
    if (skin::CBitmapBtn* stop = button(Role::MacroCommand, layout::kMacroStop)) stop->setFocus();
}

void MacroPage::stopRecording() {
    if (!editor_.recording()) return;
    editor_.stop();
    if (enableHooks_) enableHooks_(false);
    if (windowCapture_) qApp->removeEventFilter(this);
    applyStates();
    saveAndNotify();
}

void MacroPage::takeFields() {
    if (delayField_ != nullptr) editor_.setDelayField(delayField_->text().toStdString());
}

bool MacroPage::onStopButton() const {
    skin::CBitmapBtn* stop = button(Role::MacroCommand, layout::kMacroStop);
    return stop != nullptr && stop->rect().contains(stop->mapFromGlobal(QCursor::pos()));
}

bool MacroPage::command(const layout::Control& control) {
    if (control.role == Role::MacroName) {
        openNames();
        return false;
    }
    if (control.role != Role::MacroCommand) return false;
    const int index = control.index;
    if (editor_.recording() && index != layout::kMacroStop) return false;
    takeFields();
    bool changed = false;
    switch (index) {
        case layout::kMacroRecord: startRecording(false); return false;
        case layout::kMacroStop: stopRecording(); return false;
        case layout::kMacroDelayMeasured:
        case layout::kMacroDelayFixed:
        case layout::kMacroDelayNone:
            editor_.setDelayMode(static_cast<macro::DelayMode>(index - layout::kMacroDelayMeasured));
            applyStates();
            return false;
        case layout::kMacroLoopToggle:
            loop_.toggle();
            if (loopField_ != nullptr) loopField_->setText(qs(loop_.field));
            applyStates();
            saveAndNotify();
            return false;
        case layout::kMacroMoveUp: changed = editor_.moveUp(); break;
        case layout::kMacroMoveDown: changed = editor_.moveDown(); break;
        case layout::kMacroDelete: changed = editor_.remove(); break;
        case layout::kMacroEventMenu:
            if (skin::CBitmapBtn* b = button(Role::MacroCommand, layout::kMacroEventMenu))
                openEventMenu(b->mapToGlobal(QPoint(1, b->height())));
            return false;
        case layout::kMacroNew: newMacro(); return false;
        case layout::kMacroRename: renameMacro(); return false;
        case layout::kMacroRemove: deleteMacro(); return false;
        case layout::kMacroImport: importMacro(); return false;
        case layout::kMacroExport: exportMacro(); return false;
        default: return false;
    }
    if (!changed) return false;
    showItems();
    saveAndNotify();
    return false;
}

void MacroPage::openEventMenu(const QPoint& globalPosition) {
    if (name_.empty() || editor_.recording()) return;
    if (eventMenu_ != nullptr) eventMenu_->close();
    std::vector<skin::MenuItem> items;
    for (const EventMenuEntry& e : kEventMenu) items.push_back({text(e.key), e.number, false, {}});
    const skin::MenuPictures pictures{paths_.programFolder, "menu_normal.png", "menu_over.png", "menu_down.png"};
    eventMenu_ = skin::CBmpMenu::open(&window(), globalPosition, items, pictures);
}

void MacroPage::menuChosen(int64_t choice) {
    const int number = static_cast<int>((choice >> 16) & 0xFFFF);
    eventMenu_ = nullptr;
    if (name_.empty() || editor_.recording()) return;
    takeFields();
    bool changed = false;
    switch (number) {
        case 40001: startRecording(true); return;
        case 40002: editor_.copy(); return;
        case 40003: changed = editor_.cut(); break;
        case 40004: changed = editor_.paste(); break;
        case 40015: changed = editor_.insertClick(macro::kButtonLeft); break;
        case 40016: changed = editor_.insertClick(macro::kButtonRight); break;
        case 40017: changed = editor_.insertClick(macro::kButtonMiddle); break;
        case 40024: changed = editor_.insertMove(macro::MoveDirection::Left); break;
        case 40025: changed = editor_.insertMove(macro::MoveDirection::Right); break;
        case 40026: changed = editor_.insertMove(macro::MoveDirection::Up); break;
        case 40027: changed = editor_.insertMove(macro::MoveDirection::Down); break;
        default: return;
    }
    applyStates();  // the delay field may have been reset to "10"
    if (!changed) return;
    showItems();
    saveAndNotify();
}

void MacroPage::editItem(uint32_t message, int index) {
    if (editor_.recording() || index < 0 || index >= editor_.count()) return;
    const dialogs::DialogContext context{paths_.programFolder, paths_.stringsPath};
    bool changed = false;
    if (message == skin::kListEditDelay) {
        const macro::Event e = macro::eventAt(editor_.block(), index);
        if (e.kind() != macro::kKindDelay) return;
        dialogs::CEditDelay dialog(context, text("INSERTNEWDELAY"), int(macro::delayMsFromSteps(e.value())),
                                   kMaxDelayMs, &window());
        if (dialogs::prompts().exec(dialog) != dialogs::kDialogOk) return;
        changed = editor_.setDelay(index, dialog.value());
    } else {
        const macro::MoveInfo move = editor_.moveAt(index);
        if (!move.editable) return;
        QString title = text("INSERTNEWMOVE");
        if (title.isEmpty()) title = QStringLiteral("Distance (1-120)");
        dialogs::CEditDelay dialog(context, title, move.magnitude, macro::kMaxMoveMagnitude, &window());
        if (dialogs::prompts().exec(dialog) != dialogs::kDialogOk) return;
        changed = editor_.setMove(index, dialog.value());
    }
    if (!changed) return;
    showItems();
    saveAndNotify();
}

bool MacroPage::onMessage(uint32_t message, int64_t wParam, int64_t lParam) {
    switch (message) {
        case kHookKey:
            if (editor_.recording() && editor_.recordKey(static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam)))
                showItems();
            return true;
        case kHookMouse:
            if (editor_.recording() && editor_.recordButton(static_cast<uint32_t>(wParam), lParam, onStopButton()))
                showItems();
            return true;
        case skin::kListSelected:
            editor_.select(static_cast<int>(wParam));
            return true;
        case skin::kListMenuRequested:
            openEventMenu(QPoint(static_cast<int>(wParam), static_cast<int>(lParam)));
            return true;
        case skin::kListEditDelay:
        case skin::kListEditMove:
            editItem(message, static_cast<int>(wParam));
            return true;
        case macro::kMacroChosen: {
            if (nameMenu_ != nullptr) nameMenu_->close();
            if (editor_.recording()) return true;
            const std::vector<std::string> names = library_.names();
            if (wParam >= 0 && wParam < int64_t(names.size())) makeCurrent(names[size_t(wParam)]);
            return true;
        }
        case kLoopFieldChanged: {
            takeFields();
            if (loopField_ == nullptr || name_.empty() || editor_.recording()) return true;
            const std::string typed = loopField_->text().toStdString();
            if (typed == loop_.field) return true;
            if (loop_.fieldChanged(typed)) loopField_->setText(qs(loop_.field));
            saveAndNotify();
            return true;
        }
        default: return false;
    }
}

void MacroPage::openNames() {
    if (editor_.recording()) return;
    if (nameMenu_ != nullptr) {  // the opener pressed again
        nameMenu_->close();
        return;
    }
    if (enableHooks_) enableHooks_(false);
    std::vector<QString> names;
    int current = -1;
    for (const std::string& n : library_.names()) {
        if (n == name_) current = int(names.size());
        names.push_back(qs(n));
    }
    nameMenu_ = macro::CMacroNameMenu::open(&window(), button(Role::MacroName, 0), names, current,
                                           paths_.programFolder);
}

void MacroPage::newMacro() {
    if (enableHooks_) enableHooks_(false);
    if (!platform::ensureFolder(paths_.macroFolder)) {
        host_.warn(text("MACRONOSAVE").arg(qs(paths_.macroFolder)));
        return;
    }
    std::string created;
    switch (library_.createNew(strings_.lookup("BUTTONPAGE", "NEWMACRO"), loop_.value(), created)) {
        case macro::LibraryResult::Ok: break;
        case macro::LibraryResult::ListFull: host_.warn(text("MACROFULL")); return;
        default: host_.warn(text("MACRONOSAVE").arg(qs(paths_.macroFolder))); return;
    }
    makeCurrent(created);
}

void MacroPage::renameMacro() {
    if (name_.empty()) return;
    const dialogs::DialogContext context{paths_.programFolder, paths_.stringsPath};
    dialogs::CRenameProfileDlg dialog(context, &window());
    dialog.setText(qs(name_));
    if (dialogs::prompts().exec(dialog) != dialogs::kDialogOk) return;
    const std::string newName = dialog.name().trimmed().toStdString();
    if (newName.empty()) return;  // an empty name changes nothing
    switch (library_.rename(name_, newName)) {
        case macro::LibraryResult::Ok: break;
        case macro::LibraryResult::Unchanged: return;
        case macro::LibraryResult::InvalidName:
        case macro::LibraryResult::NameTaken: host_.warn(text("MACRONAMEBAD").arg(qs(newName))); return;
        default: host_.warn(text("MACRONOSAVE").arg(qs(library_.filePath(newName)))); return;
    }
    makeCurrent(newName);
    host_.model().macroListChanged();
    host_.showSettings();
}

void MacroPage::deleteMacro() {
    if (name_.empty()) return;
    if (!host_.confirm(text("WARN2"))) return;
    int slot = -1;
    const macro::LibraryResult result = library_.remove(name_, slot);
    if (result != macro::LibraryResult::Ok && result != macro::LibraryResult::NotFound) {
        host_.warn(text("MACRONOSAVE").arg(qs(paths_.settingsPath)));
        return;
    }
    if (slot >= 0) host_.model().macroChanged(slot, true);
    const std::vector<std::string> names = library_.names();
    makeCurrent(names.empty() ? std::string() : names.front());
    host_.model().macroListChanged();
    host_.showSettings();
}

QString MacroPage::chooseMacroFile(bool forSaving) {
    const dialogs::FileQuery query{text(forSaving ? "EXPORTTITLE" : "IMPORTTITLE", "MAIN"), qs(paths_.macroFolder),
                                   text("MACROFILENAME") + QStringLiteral("(*.macro)"), QStringLiteral("macro"),
                                   forSaving && !name_.empty() ? qs(name_) + QStringLiteral(".macro") : QString()};
    return forSaving ? dialogs::prompts().saveFile(&window(), query) : dialogs::prompts().openFile(&window(), query);
}

void MacroPage::importMacro() {
    if (library_.names().size() >= size_t(macro::kListSlots)) {
        host_.warn(text("MACROFULL"));
        return;
    }
    const QString file = chooseMacroFile(false);
    if (file.isEmpty()) return;
    std::string imported;
    macro::LibraryResult result = library_.import(file.toStdString(), false, imported);
    if (result == macro::LibraryResult::NeedsConfirm) {
        if (!host_.confirm(text("MACROEXISTS").arg(qs(platform::fileTitle(file.toStdString()))))) return;
        result = library_.import(file.toStdString(), true, imported);
    }
    switch (result) {
        case macro::LibraryResult::Ok: break;
        case macro::LibraryResult::ListFull: host_.warn(text("MACROFULL")); return;
        case macro::LibraryResult::InvalidName:
        case macro::LibraryResult::NameTaken:
            host_.warn(text("MACRONAMEBAD").arg(qs(platform::fileTitle(file.toStdString()))));
            return;
        default: host_.warn(text("MACRONOIMPORT").arg(file)); return;
    }
    makeCurrent(imported);
    host_.model().macroChanged(library_.slotOf(imported));
}

void MacroPage::exportMacro() {
    if (name_.empty()) return;
    const QString file = chooseMacroFile(true);
    if (file.isEmpty()) return;
    if (library_.exportTo(name_, file.toStdString()) != macro::LibraryResult::Ok)
        host_.warn(text("MACRONOEXPORT").arg(file));
}

bool MacroPage::eventFilter(QObject* watched, QEvent* event) {
    // Recording without the plugin: the keys and buttons that reach this window's widgets.
    if (!editor_.recording()) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != &window()) return false;
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            auto* key = static_cast<QKeyEvent*>(event);
            const dialogs::KeyMessage m = dialogs::keyMessageOf(*key);
            if (m.virtualKey == 0) return true;
            const uint32_t vk = dialogs::normaliseVirtualKey(m.virtualKey, m.flags);
            const uint32_t flags = (event->type() == QEvent::KeyRelease ? macro::kKeyReleasedFlag : 0) |
                                   ((m.flags & dialogs::kKeyExtended) != 0 ? 1 : 0);
            window().postMessage(kHookKey, vk, flags);
            return true;  // the keys are the macro's, not the controls'
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            const uint32_t message = mouseMessageOf(mouse->button(), event->type() == QEvent::MouseButtonPress);
            skin::CBitmapBtn* stop = button(Role::MacroCommand, layout::kMacroStop);
            const bool onStop = stop != nullptr &&
                                stop->rect().contains(stop->mapFromGlobal(mouse->globalPosition().toPoint()));
            if (message != 0 && !(onStop && mouse->button() == Qt::LeftButton)) {
                const QPoint at = mouse->globalPosition().toPoint();
                window().postMessage(kHookMouse, message, (int64_t(at.x()) << 16) ^ at.y());
            }
            return false;  // the stop button still works
        }
        default: return false;
    }
}

}  // namespace panel
