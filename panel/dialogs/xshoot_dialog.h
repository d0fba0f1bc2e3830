#pragma once
// CXShoot: the X-shoot function (code 9): shots (1..255) and interval (10..250 in tens, the values
// the mouse keeps) and the output: a mouse button ("Left", "Right", "Middle": 129, 130, 132) or a key
// ("Keyboard": the HID usage of the character typed into the key field, found through the keyboard
// layout). Opening a button that holds code 9 shows its values and output; otherwise 3, 10 and
// "Keyboard" without a key. In "Keyboard" mode OK stays disabled until a key is typed, so the
// output always has a defined value; after OK, value() is what the assignment step stores. Enter
// and Esc are swallowed.
#include <QPointer>

#include "panel/dialogs/dialog_values.h"
#include "panel/dialogs/skin_dialog.h"
#include "shared/button_assignment.h"
#include "shared/settings_record.h"
#include "skin/bitmap_menu.h"

namespace dialogs {

class CXShoot : public CSkinDialog {
    Q_OBJECT
public:
    CXShoot(const DialogContext& context, const ButtonRecord& current, QWidget* parent = nullptr);

    // Shots, interval and output as the dialog shows them now.
    assignment::XShoot value() const;

    skin::CClrEdit* shotsField() const { return shots_; }
    skin::CClrEdit* intervalField() const { return interval_; }
    skin::CClrEdit* keyField() const { return key_; }
    skin::CBitmapBtn* outputButton() const;
    skin::CBmpMenu* popup() const { return popup_; }

    int outputItem() const { return item_; }  // kOutputLeft .. kOutputKeyboard
    uint8_t output() const { return output_; }
    bool outputKnown() const { return known_; }

    int64_t onMessage(uint32_t message, int64_t wParam, int64_t lParam) override;

    void accept() override;

protected:
    bool filterKey(QKeyEvent* event) override;

private:
    QString itemText(int item) const;
    void chooseOutput(int item);
    void showOutput();
    void keyTyped(const QString& text);

    skin::CClrEdit* shots_ = nullptr;
    skin::CClrEdit* interval_ = nullptr;
    skin::CClrEdit* key_ = nullptr;
    QPointer<skin::CBmpMenu> popup_;
    int item_ = kOutputKeyboard;
    uint8_t output_ = 0;
    bool known_ = false;
};

}  // namespace dialogs
