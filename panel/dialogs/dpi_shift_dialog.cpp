#include "panel/dialogs/dpi_shift_dialog.h"

#include "panel/dialogs/dialog_values.h"
#include "panel/layout/dialog_layout.h"
#include "shared/settings_rules.h"
#include "skin/bitmap_button.h"

namespace dialogs {

using layout::Role;

skin::CBmpMenu* openMenuUnder(skin::SkinnedWindow* owner, QWidget* button, const std::vector<skin::MenuItem>& items,
                              const std::string& programFolder) {
    const skin::MenuPictures pictures{programFolder, "1menu_normal.png", "1menu_over.png", "1menu_down.png"};
    skin::CBmpMenu* menu = skin::CBmpMenu::open(owner, button->mapToGlobal(QPoint(0, button->height())), items, pictures);
    if (menu != nullptr) menu->setFocus();
    return menu;
}

CDPIShift::CDPIShift(const DialogContext& context, const ButtonRecord& current, QWidget* parent)
    : CSkinDialog(context, layout::dpiShiftDialog(), "DLGDPISHIFT", parent) {
    setSwallowReturnKeys(true);
    addCaption(0);
    skin::CBitmapBtn* value = addButton(Role::MenuField);
    value->setAccessibleName(caption(10));
    connect(value, &QAbstractButton::clicked, this, [this] { openMenu(); });
    setChoice(assignment::readDpiShift(current).item);
}

skin::CBitmapBtn* CDPIShift::valueButton() const { return button(Role::MenuField); }

void CDPIShift::setChoice(int item) {
    if (!settingsrules::kDpiShiftItems.contains(item)) return;
    choice_ = item;
    if (skin::CBitmapBtn* b = valueButton()) b->setCaption(QString::fromStdString(dpiShiftText(item)), placeOf(Role::MenuField)->captionOffset);
}

void CDPIShift::openMenu() {
    if (popup_ != nullptr) popup_->close();
    std::vector<skin::MenuItem> items;
    for (int item : settingsrules::kDpiShiftItems.values())
        items.push_back({QString::fromStdString(dpiShiftText(item)), item, false, {}});
    popup_ = openMenuUnder(surface(), valueButton(), items, context().programFolder);
}

int64_t CDPIShift::onMessage(uint32_t message, int64_t, int64_t lParam) {
    if (message != skin::kMenuChosen) return 0;
    if (popup_ != nullptr) popup_->close();
    setChoice(static_cast<int>((lParam >> 16) & 0xFFFF));
    return 0;
}

}  // namespace dialogs
