#pragma once
// CGunfireDlg: the three values of the rapid-fire function (code 101) of one button: shots (field
// 20482, 0..255), interval (field 20481, 0..255: the record byte's range) and speed (slider 10011,
// 10..200, with its number beside it). Opening shows the record's bytes 2, 3 and 5 when it holds
// code 101, else 3, 10 and 30; OK writes bytes 2, 3 and 5 (the assignment step then stores code
// 101); Cancel and close write nothing.
#include "panel/dialogs/dialog_values.h"
#include "panel/dialogs/skin_dialog.h"

namespace skin {
class CPngHSliderBar;
}

namespace dialogs {

inline constexpr int kShotsFieldId = 20482;
inline constexpr int kIntervalFieldId = 20481;
inline constexpr int kSpeedSliderId = 10011;

class CGunfireDlg : public CSkinDialog {
    Q_OBJECT
public:
    CGunfireDlg(const DialogContext& context, QWidget* parent = nullptr);

    // The values as the dialog shows them now.
    RapidFire values() const;
    skin::CClrEdit* shotsField() const { return shots_; }
    skin::CClrEdit* intervalField() const { return interval_; }
    skin::CPngHSliderBar* speedSlider() const { return slider_; }
    QString speedText() const;

    int64_t onMessage(uint32_t message, int64_t wParam, int64_t lParam) override;

protected:
    void accept() override;

private:
    void setSpeed(int speed);

    skin::CClrEdit* shots_ = nullptr;
    skin::CClrEdit* interval_ = nullptr;
    skin::CPngHSliderBar* slider_ = nullptr;
    skin::CStaticTrans* speedLabel_ = nullptr;
    int speed_ = 30;
};

// Digits only, rewritten to the nearest limit whenever its value leaves [minimum, maximum].
void limitNumberField(skin::CClrEdit* field, int minimum, int maximum);

}  // namespace dialogs
