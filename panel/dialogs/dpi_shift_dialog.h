#pragma once
// CDPIShift: the DPI value of the DPI shift function (code 15): a value button that opens a picture
// menu of "250", "500", "750" and "1000" (items 1..4). It starts at the item the button already
// holds when its record has code 15, else at item 1; after OK, value() is what the assignment step
// stores. Enter and Esc are swallowed.
#include <QPointer>

#include "panel/dialogs/skin_dialog.h"
#include "shared/button_assignment.h"
#include "shared/settings_record.h"
#include "skin/bitmap_menu.h"

namespace dialogs {

class CDPIShift : public CSkinDialog {
    Q_OBJECT
public:
    CDPIShift(const DialogContext& context, const ButtonRecord& current, QWidget* parent = nullptr);

    int choice() const { return choice_; }
    assignment::DpiShift value() const { return {choice_}; }
    skin::CBitmapBtn* valueButton() const;
    // The open value menu, nullptr when none.
    skin::CBmpMenu* popup() const { return popup_; }

    int64_t onMessage(uint32_t message, int64_t wParam, int64_t lParam) override;

private:
    void setChoice(int item);
    void openMenu();

    int choice_ = 1;
    QPointer<skin::CBmpMenu> popup_;
};

// The picture menu of a menu button, opened under it for the dialog.
skin::CBmpMenu* openMenuUnder(skin::SkinnedWindow* owner, QWidget* button, const std::vector<skin::MenuItem>& items,
                              const std::string& programFolder);

}  // namespace dialogs
