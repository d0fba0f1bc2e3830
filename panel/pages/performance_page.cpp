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

std::string stageCaption(const std::string& stageWord, int stage, const DpiStage& values) {
    const int x = (values.separate != 0 ? values.x : values.common) * settingsrules::kDpiPerStep;
    const int y = (values.separate != 0 ? values.y : values.common) * settingsrules::kDpiPerStep;
    return stageWord + " " + std::to_string(stage + 1) + "\n" + std::to_string(x) + "\n" + std::to_string(y);
}

PerformancePage::PerformancePage(PageHost& host) : Page(host, layout::kDpiPage, layout::dpiPage()) {}

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
    lastRelease_ = lastDrag_ = {};  // the sliders are set from the settings: their next word counts
    show(model);
}

void PerformancePage::show(const PanelModel& model) {
    const MouseSettings& s = model.working();
    const int current = model.currentStage();
    const std::string stageWord = host_.strings().lookup("BUTTONPAGE", "DPISTAGE");
    for (int stage = 0; stage < kDpiStageCount; ++stage) {
        skin::CBitmapBtn* b = button(Role::DpiStage, stage);
        if (b == nullptr) continue;
        b->setCaption(QString::fromStdString(stageCaption(stageWord, stage, s.dpiStages[stage])));
        b->setChecked(stage == current);
    }
    for (int i = 0; i < settingsrules::kReportRateCount; ++i)
        if (skin::CBitmapBtn* b = button(Role::ReportRate, i)) b->setChecked(i == settingsrules::reportRateIndex(s.PollingRate));
    if (skin::CBitmapBtn* b = button(Role::AngleOn)) b->setChecked(s.AngleV == settingsrules::kAngleOn);
    if (skin::CBitmapBtn* b = button(Role::AngleOff)) b->setChecked(s.AngleV != settingsrules::kAngleOn);
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
    namespace rules = settingsrules;
    PanelModel& model = host_.model();
    MouseSettings& s = model.working();
    const int stage = model.currentStage();
    rules::Request request;
    switch (c.role) {
        case Role::DpiStage: request = rules::selectStage(s, c.index); break;
        case Role::DpiSeparate:
            request = stage >= 0 ? rules::setSeparate(s, stage, s.dpiStages[stage].separate == 0) : rules::Request{};
            break;
        case Role::AccelerationSwitch: request = rules::toggleAcceleration(s); break;
        case Role::ReportRate: request = rules::setReportRate(s, c.index); break;
        case Role::DoubleClickUp: request = rules::stepDoubleClick(s, true); break;
        case Role::DoubleClickDown: request = rules::stepDoubleClick(s, false); break;
        case Role::WheelUp: request = rules::stepWheel(s, true); break;
        case Role::WheelDown: request = rules::stepWheel(s, false); break;
        case Role::AngleOn: request = rules::setAngle(s, true); break;
        case Role::AngleOff: request = rules::setAngle(s, false); break;
        case Role::LiftHigh: request = rules::setLift(s, true); break;
        case Role::LiftLow: request = rules::setLift(s, false); break;
        default: return false;
    }
    model.saveAndTell(request);
    return static_cast<bool>(request);
}

bool PerformancePage::dpiSliderMoved(bool released, int position, int identifier) {
    Last& last = released ? lastRelease_ : lastDrag_;
    if (position == last.position && identifier == last.identifier) return false;
    last = {position, identifier};
    PanelModel& model = host_.model();
    const int axis = identifier == layout::kSliderX   ? settingsrules::kAxisX
                     : identifier == layout::kSliderY ? settingsrules::kAxisY
                                                      : settingsrules::kAxisCommon;
    const settingsrules::Request request =
        settingsrules::setStageValue(model.working(), model.currentStage(), axis, position);
    if (released) model.saveAndTell(request);  // a drag only stores
    return static_cast<bool>(request);
}

bool PerformancePage::sliderMoved(int identifier, int value, bool released) {
    switch (identifier) {
        case layout::kSliderCommon:
        case layout::kSliderX:
        case layout::kSliderY:
            if (dpiSliderMoved(released, value, identifier)) show(host_.model());
            return true;
        case layout::kSliderAcceleration:
            if (released) host_.model().saveAndTell(settingsrules::setAcceleration(host_.model().working(), value));
            return true;
        default: return false;
    }
}

}  // namespace panel
