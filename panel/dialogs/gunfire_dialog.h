#pragma once
// CGunfireDlg: the three values of the rapid-fire function (code 101) of one button: shots (field
// 20482, 0..255), interval (field 20481, 0..250 in tens: what the mouse keeps) and speed (slider
// 10011, 10..200, with its number beside it). Opening shows the button's values when its record holds
// code 101, else 3, 10 and 30; after OK, value() is what the assignment step stores.
#include "panel/dialogs/dialog_values.h"
#include "panel/dialogs/skin_dialog.h"
#include "shared/button_assignment.h"
#include "shared/settings_record.h"

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
    CGunfireDlg(const DialogContext& context, const ButtonRecord& current, QWidget* parent = nullptr);

    // The values as the dialog shows them now.
    assignment::RapidFire value() const;
    skin::CClrEdit* shotsField() const { return shots_; }
    skin::CClrEdit* intervalField() const { return interval_; }
    skin::CPngHSliderBar* speedSlider() const { return slider_; }
    QString speedText() const;

    int64_t onMessage(uint32_t message, int64_t wParam, int64_t lParam) override;

private:
    void setSpeed(int speed);

    skin::CClrEdit* shots_ = nullptr;
    skin::CClrEdit* interval_ = nullptr;
    skin::CPngHSliderBar* slider_ = nullptr;
    skin::CStaticTrans* speedLabel_ = nullptr;
    int speed_ = 30;
};

}  // namespace dialogs
