#include "panel/dialogs/gunfire_dialog.h"

#include "panel/layout/dialog_layout.h"
#include "skin/colour_edit.h"
#include "skin/skin_description.h"
#include "skin/slider.h"
#include "skin/static_trans.h"

namespace dialogs {

using layout::Role;

CGunfireDlg::CGunfireDlg(const DialogContext& context, const ButtonRecord& current, QWidget* parent)
    : CSkinDialog(context, layout::gunfireDialog(), "DLGGUNFIRE", parent) {
    const assignment::RapidFire stored = assignment::readRapidFire(current);

    addCaption(0);
    shots_ = addEdit(Role::ValueField, 0, 3, caption(10));
    limitNumberField(shots_, settingsrules::kRapidFireA);
    addCaption(1);
    interval_ = addEdit(Role::ValueField, 1, 4, caption(11));
    limitNumberField(interval_, settingsrules::kRapidFireB);
    addCaption(2);

    slider_ = new skin::CPngHSliderBar(surface());
    auto file = [&](const char* name) { return QString::fromStdString(skin::skinImagePath(context.programFolder, name)); };
    slider_->create(file("bar3.png"), file("arrow3.png"), QString(), rectOf(Role::RateSlider), surface(), kSpeedSliderId,
                    file("bar4.png"));
    slider_->setRange(settingsrules::kRapidFireSpeeds.minimum, settingsrules::kRapidFireSpeeds.maximum);
    slider_->setAccessibleName(caption(12));
    place(Role::RateSlider, 0, slider_);

    speedLabel_ = new skin::CStaticTrans(surface());
    speedLabel_->setTextColor(0x00CCEF);
    speedLabel_->setFontHeight(15);
    speedLabel_->setAlignment(Qt::AlignCenter);
    speedLabel_->setGeometry(rectOf(Role::RateValue));
    place(Role::RateValue, 0, speedLabel_);

    shots_->setText(QString::number(settingsrules::kRapidFireA.snap(stored.shots)));
    interval_->setText(QString::number(settingsrules::kRapidFireB.snap(stored.interval)));
    setSpeed(settingsrules::kRapidFireSpeeds.snap(stored.speed));
    slider_->setValue(speed_);
}

void CGunfireDlg::setSpeed(int speed) {
    speed_ = speed;
    speedLabel_->setText(QString::number(speed));
    speedLabel_->setAccessibleName(caption(12) + QLatin1Char(' ') + speedLabel_->text());
}

QString CGunfireDlg::speedText() const { return speedLabel_->text(); }

assignment::RapidFire CGunfireDlg::value() const {
    return {fieldValue(shots_->text().toStdString(), settingsrules::kRapidFireA),
            fieldValue(interval_->text().toStdString(), settingsrules::kRapidFireB), speed_};
}

int64_t CGunfireDlg::onMessage(uint32_t message, int64_t wParam, int64_t lParam) {
    // The slider's position while it is dragged and when it is let go.
    if ((message == skin::kSliderReleased || message == skin::kSliderDragged) && lParam == kSpeedSliderId)
        setSpeed(static_cast<int>(wParam));
    return 0;
}

}  // namespace dialogs
