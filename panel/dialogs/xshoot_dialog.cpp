#include "panel/dialogs/xshoot_dialog.h"

#include <QKeyEvent>

#include "panel/dialogs/dpi_shift_dialog.h"
#include "panel/dialogs/gunfire_dialog.h"
#include "panel/dialogs/key_capture.h"
#include "panel/layout/dialog_layout.h"
#include "platform/keyboard_layout.h"
#include "shared/function_codes.h"
#include "shared/key_tables.h"
#include "skin/bitmap_button.h"
#include "skin/colour_edit.h"

namespace dialogs {

using layout::Role;

namespace {

constexpr int kButtonNameLength = 32;

// The character of a HID usage's key, as the key field shows it ("" when it types none).
QString characterOfUsage(uint8_t usage) {
    uint32_t vk = 0;
    if (!hidUsageToVirtualKey(usage, &vk)) return {};
    const uint32_t c = platform::characterForVirtualKey(vk);
    return c != 0 ? QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1) : QString();
}

}  // namespace

CXShoot::CXShoot(const DialogContext& context, const ButtonRecord& current, QWidget* parent)
    : CSkinDialog(context, layout::xShootDialog(), "DLGXSHOOT", parent) {
    setSwallowReturnKeys(true);
    const assignment::XShoot stored = assignment::readXShoot(current);

    addCaption(0);
    shots_ = addEdit(Role::ValueField, 0, 3, caption(10));
    limitNumberField(shots_, settingsrules::kXShootCounts);
    addCaption(1);
    interval_ = addEdit(Role::ValueField, 1, 3, caption(11));
    limitNumberField(interval_, settingsrules::kXShootIntervals);
    addCaption(2);
    skin::CBitmapBtn* menu = addButton(Role::MenuField);
    menu->setAccessibleName(caption(12));
    connect(menu, &QAbstractButton::clicked, this, [this] {
        if (popup_ != nullptr) popup_->close();
        std::vector<skin::MenuItem> items;
        for (int item = kOutputLeft; item <= kOutputKeyboard; ++item) items.push_back({itemText(item), item, false, {}});
        popup_ = openMenuUnder(surface(), outputButton(), items, this->context().programFolder);
    });
    addCaption(3);
    key_ = addEdit(Role::KeyField, 0, 1, caption(13));
    connect(key_, &QLineEdit::textEdited, this, [this](const QString& text) { keyTyped(text); });

    shots_->setText(QString::number(settingsrules::kXShootCounts.snap(stored.shots)));
    interval_->setText(QString::number(settingsrules::kXShootIntervals.snap(stored.interval)));
    item_ = itemOfOutput(stored.output);
    output_ = stored.output;
    known_ = current.code == kCodeXShoot;  // else "Keyboard" without a key yet
    showOutput();
    if (item_ == kOutputKeyboard && known_) key_->setText(characterOfUsage(output_));
}

skin::CBitmapBtn* CXShoot::outputButton() const { return button(Role::MenuField); }

QString CXShoot::itemText(int item) const {
    static const char* const kKeys[] = {"XSLEFT", "XSRIGHT", "XSMIDDLE", "XSKEYBOARD"};
    return item >= kOutputLeft && item <= kOutputKeyboard ? text(kKeys[item - 1]) : QString();
}

void CXShoot::showOutput() {
    if (skin::CBitmapBtn* b = outputButton()) b->setCaption(itemText(item_), placeOf(Role::MenuField)->captionOffset);
    const bool keyboard = item_ == kOutputKeyboard;
    key_->setMaxLength(keyboard ? 1 : kButtonNameLength);
    key_->setText(keyboard ? QString() : itemText(item_));
    key_->setEnabled(keyboard);
    if (skin::CBitmapBtn* ok = button(Role::DialogOk)) ok->setEnabled(known_);
}

void CXShoot::chooseOutput(int item) {
    if (item < kOutputLeft || item > kOutputKeyboard) return;
    item_ = item;
    // A mouse button is an output at once; the keyboard waits for its key.
    known_ = item != kOutputKeyboard;
    if (known_) output_ = outputOfItem(item);
    showOutput();
    if (item == kOutputKeyboard) key_->setFocus();
}

void CXShoot::keyTyped(const QString& text) {
    known_ = false;
    if (!text.isEmpty()) {
        const uint32_t vk = virtualKeyForCharacter(text.toUcs4().value(0));
        uint32_t usage = 0;
        if (vk != 0 && virtualKeyToHidUsage(vk, &usage) && usage <= 0xFF) {
            output_ = static_cast<uint8_t>(usage);
            known_ = true;
            key_->setText(characterOfUsage(output_));  // as a reopened dialog shows it ("a" reads "A")
        } else {
            key_->clear();  // no key types that character here
        }
    }
    if (skin::CBitmapBtn* ok = button(Role::DialogOk)) ok->setEnabled(known_);
}

bool CXShoot::filterKey(QKeyEvent* event) {
    // A typed character replaces the key field's one character (the keys reaching the dialog go to
    // its focus widget).
    if (event->type() == QEvent::KeyPress && focusWidget() == key_ && key_->isEnabled() &&
        !event->text().isEmpty() && event->text().at(0).isPrint())
        key_->clear();
    return CSkinDialog::filterKey(event);
}

int64_t CXShoot::onMessage(uint32_t message, int64_t, int64_t lParam) {
    if (message != skin::kMenuChosen) return 0;
    if (popup_ != nullptr) popup_->close();
    chooseOutput(static_cast<int>((lParam >> 16) & 0xFFFF));
    return 0;
}

assignment::XShoot CXShoot::value() const {
    return {fieldValue(shots_->text().toStdString(), settingsrules::kXShootCounts),
            fieldValue(interval_->text().toStdString(), settingsrules::kXShootIntervals), output_};
}

void CXShoot::accept() {
    if (!known_) return;  // OK stays disabled until the output is known
    CSkinDialog::accept();
}

}  // namespace dialogs
