#include "panel/pages/performance_page.h"

#include "panel/panel_model.h"
#include "shared/string_table.h"
#include "skin/bitmap_button.h"
#include "skin/slider.h"
#include "skin/static_trans.h"

namespace panel {

namespace {
using layout::Role;
}  // namespace

PerformancePage::PerformancePage(PageHost& host)
    : Page(host, layout::kDpiPage, layout::dpiPage()), rules_(host.model()) {}

void PerformancePage::controlsMade() {
    // In a Wayland session the acceleration level is kept but the desktop's settings apply: said on
    // the group's heading line, right-aligned.
    QWidget* heading = this->heading("HEADACCELERATION");
    if (heading == nullptr) return;
    accelerationNote_ = new skin::CStaticTrans(&window());
    accelerationNote_->setTextColor(skin::colour::kNotice);
    accelerationNote_->setFontHeight(12);
    accelerationNote_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    accelerationNote_->setText(text("ACCELDESKTOP"));
    accelerationNote_->setGeometry(heading->geometry());
    accelerationNote_->hide();
    setDesktopPointer(desktopPointer_);
}

void PerformancePage::setDesktopPointer(bool desktop) {
    desktopPointer_ = desktop;
    const QString tip = desktop ? text("ACCELDESKTOPHINT") : QString();
    for (Role role : {Role::AccelerationSwitch, Role::AccelerationSlider})
        if (QWidget* w = control(role)) w->setToolTip(tip);
    if (accelerationNote_ != nullptr) {
        accelerationNote_->setToolTip(tip);
        accelerationNote_->setVisible(desktop && shown());
    }
}

void PerformancePage::setShown(bool shown) {
    Page::setShown(shown);
    if (accelerationNote_ != nullptr) accelerationNote_->setVisible(desktopPointer_ && shown);
}

void PerformancePage::refresh(const PanelModel& model) {
    rules_.forgetSliders();  // the sliders are set from the settings below
    const MouseSettings& s = model.working();
    const int current = model.currentStage();
    const std::string stageWord = host_.strings().lookup("BUTTONPAGE", "DPISTAGE");
    for (int stage = 0; stage < kDpiStageCount; ++stage) {
        skin::CBitmapBtn* b = button(Role::DpiStage, stage);
        if (b == nullptr) continue;
        b->setCaption(QString::fromStdString(stageCaption(stageWord, stage, s.dpiStages[stage])));
        b->setChecked(stage == current);
    }
    for (int i = 0; i < kReportRateCount; ++i)
        if (skin::CBitmapBtn* b = button(Role::ReportRate, i)) b->setChecked(s.PollingRate == kReportIntervals[i]);
    if (skin::CBitmapBtn* b = button(Role::AngleOn)) b->setChecked(s.AngleV == 128);
    if (skin::CBitmapBtn* b = button(Role::AngleOff)) b->setChecked(s.AngleV != 128);
    if (skin::CBitmapBtn* b = button(Role::LiftHigh)) b->setChecked(s.LiftV == 1);
    if (skin::CBitmapBtn* b = button(Role::LiftLow)) b->setChecked(s.LiftV != 1);
    if (skin::CBitmapBtn* b = button(Role::AccelerationSwitch)) b->setChecked(s.AccelerationEnabled == 1);
    if (auto* v = qobject_cast<skin::CStaticTrans*>(control(Role::DoubleClickValue)))
        v->setText(QString::number(s.DoubleClickSpeed));
    if (auto* v = qobject_cast<skin::CStaticTrans*>(control(Role::WheelValue)))
        v->setText(QString::number(s.WheelScrollLines));
    // One slider for both axes, or one for each when the stage sets them separately.
    const bool separate = current >= 0 && s.dpiStages[current].separate != 0;
    if (skin::CBitmapBtn* b = button(Role::DpiSeparate)) b->setChecked(separate);
    if (QWidget* w = control(Role::DpiSliderCommon)) w->setVisible(shown() && !separate);
    if (QWidget* w = control(Role::DpiSliderX)) w->setVisible(shown() && separate);
    if (QWidget* w = control(Role::DpiSliderY)) w->setVisible(shown() && separate);
    if (current >= 0) {
        const DpiStage& d = s.dpiStages[current];
        if (auto* w = qobject_cast<skin::CPngHSliderBar*>(control(Role::DpiSliderCommon))) w->setValue(d.common);
        if (auto* w = qobject_cast<skin::CPngHSliderBar*>(control(Role::DpiSliderX))) w->setValue(d.x);
        if (auto* w = qobject_cast<skin::CPngHSliderBar*>(control(Role::DpiSliderY))) w->setValue(d.y);
    }
    if (auto* w = qobject_cast<skin::CPngHSliderBar*>(control(Role::AccelerationSlider))) w->setValue(s.Acceleration);
}

bool PerformancePage::command(const layout::Control& c) {
    switch (c.role) {
        case Role::DpiStage: rules_.selectStage(c.index); return true;
        case Role::DpiSeparate: {
            const PanelModel& model = host_.model();
            const int stage = model.currentStage();
            rules_.setSeparate(stage >= 0 && model.working().dpiStages[stage].separate == 0);
            return true;
        }
        case Role::AccelerationSwitch: rules_.toggleAcceleration(); return true;
        case Role::ReportRate: rules_.setReportRate(c.index); return true;
        case Role::DoubleClickUp: rules_.stepDoubleClick(true); return true;
        case Role::DoubleClickDown: rules_.stepDoubleClick(false); return true;
        case Role::WheelUp: rules_.stepWheel(true); return true;
        case Role::WheelDown: rules_.stepWheel(false); return true;
        case Role::AngleOn: rules_.setAngle(true); return true;
        case Role::AngleOff: rules_.setAngle(false); return true;
        case Role::LiftHigh: rules_.setLift(true); return true;
        case Role::LiftLow: rules_.setLift(false); return true;
        default: return false;
    }
}

bool PerformancePage::onMessage(uint32_t message, int64_t wParam, int64_t lParam) {
    if (message != skin::kSliderReleased && message != skin::kSliderDragged) return false;
    const bool released = message == skin::kSliderReleased;
    const int value = static_cast<int>(wParam);
    switch (lParam) {
        case layout::kSliderCommon:
        case layout::kSliderX:
        case layout::kSliderY:
            if (released ? rules_.sliderReleased(value, static_cast<int>(lParam))
                         : rules_.sliderDragged(value, static_cast<int>(lParam)))
                refresh(host_.model());
            break;
        case layout::kSliderAcceleration:
            if (released) rules_.setAcceleration(value);
            break;
        default:
            return false;
    }
    if (released) host_.saveOrSay();
    return true;
}

}  // namespace panel
