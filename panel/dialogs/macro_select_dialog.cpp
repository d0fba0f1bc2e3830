#include "panel/dialogs/macro_select_dialog.h"

#include <QMouseEvent>

#include "panel/dialogs/macro_name_menu.h"
#include "panel/layout/dialog_layout.h"
#include "shared/function_codes.h"
#include "shared/macro_buttons.h"
#include "shared/macro_library.h"
#include "skin/bitmap_button.h"

namespace dialogs {

using layout::Role;

namespace {

constexpr int kModes = 3;  // once, endless, hold

QString qs(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

CMacroSelDlg::CMacroSelDlg(const DialogContext& context, const macro::MacroLibrary& library, const ButtonRecord& current,
                           QWidget* parent)
    : CSkinDialog(context, layout::macroSelectDialog(), "DLGMACROSEL", parent), library_(library), names_(library.names()) {
    addCaption(0);
    skin::CBitmapBtn* name = addButton(Role::MenuField);
    name->setAccessibleName(caption(10));
    connect(name, &QAbstractButton::clicked, this, [this] { toggleNameList(); });
    addCaption(1);
    for (int mode = 0; mode < kModes; ++mode) {
        skin::CBitmapBtn* b = addButton(Role::PlayMode, mode);
        b->setCaption(caption(12 + mode));
        connect(b, &QAbstractButton::clicked, this, [this, mode] { setMode(mode); });
    }

    // Start at what the button plays now, when that is a listed macro; else at the first macro.
    int start = 0, mode = 0;
    if (current.code == kCodeMacro) {
        const std::string playing = macro::buttonMacroName(current);
        for (size_t i = 0; i < names_.size(); ++i) {
            if (names_[i] != playing) continue;
            start = static_cast<int>(i);
            mode = assignment::readPlayMode(current);
        }
    }
    choose(start);
    setMode(mode);
    if (skin::CBitmapBtn* ok = button(Role::DialogOk)) ok->setEnabled(!names_.empty());
}

skin::CBitmapBtn* CMacroSelDlg::nameButton() const { return button(Role::MenuField); }
skin::CBitmapBtn* CMacroSelDlg::modeButton(int mode) const { return button(Role::PlayMode, mode); }

void CMacroSelDlg::choose(int index) {
    if (index < 0 || index >= static_cast<int>(names_.size())) return;
    index_ = index;
    name_ = names_[static_cast<size_t>(index)];
    if (skin::CBitmapBtn* b = nameButton()) b->setCaption(qs(name_), placeOf(Role::MenuField)->captionOffset);
}

void CMacroSelDlg::setMode(int mode) {
    if (mode < 0 || mode >= kModes) return;
    mode_ = mode;
    for (int m = 0; m < kModes; ++m)
        if (skin::CBitmapBtn* b = modeButton(m)) b->setChecked(m == mode);
}

void CMacroSelDlg::toggleNameList() {
    // The list itself takes a press on its opener (and closes) without passing it on, so a click
    // here while it is open can only come from the keyboard: it closes the list as well.
    if (popup_ != nullptr) {
        closeNameList();
        return;
    }
    std::vector<QString> names;
    for (const std::string& name : names_) names.push_back(qs(name));
    popup_ = macro::CMacroNameMenu::open(surface(), nameButton(), names, index_, context().programFolder);
}

void CMacroSelDlg::closeNameList() {
    if (popup_ != nullptr) popup_->close();
    popup_ = nullptr;
}

int64_t CMacroSelDlg::onMessage(uint32_t message, int64_t wParam, int64_t) {
    if (message != macro::kMacroChosen) return 0;
    closeNameList();
    choose(static_cast<int>(wParam));
    return 0;
}

void CMacroSelDlg::mousePressEvent(QMouseEvent* event) {
    closeNameList();
    CSkinDialog::mousePressEvent(event);
}

assignment::MacroChoice CMacroSelDlg::value() const {
    return {name_, index_, mode_, library_.loopTimeForButton(name_)};
}

void CMacroSelDlg::accept() {
    if (name_.empty()) return;  // no macro to choose: OK stays disabled
    CSkinDialog::accept();
}

}  // namespace dialogs
