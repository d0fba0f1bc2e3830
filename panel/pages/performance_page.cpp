#include "panel/pages/performance_page.h"

#include <QKeyEvent>
#include <QRegularExpressionValidator>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

#include "panel/panel_model.h"
#include "shared/string_table.h"
#include "skin/bitmap_button.h"
#include "skin/colour_edit.h"
#include "skin/slider.h"
#include "skin/static_trans.h"

namespace panel {

namespace {
using layout::Role;
namespace rules = settingsrules;

constexpr Role kAxisSliders[3] = {Role::DpiSliderCommon, Role::DpiSliderX, Role::DpiSliderY};
// Units and axis names read the same in every language.
const char* const kAxisNames[3] = {"X / Y", "X", "Y"};
// The resolution group's inner edges: the axis names left of the sliders, their values right.
constexpr int kGroupInnerLeft = 48, kGroupInnerRight = 456;

QString dpiText(int steps) { return QString::number(steps * rules::kDpiPerStep) + QStringLiteral(" DPI"); }

int axisOf(int identifier) {
    return identifier == layout::kSliderX ? rules::kAxisX : identifier == layout::kSliderY ? rules::kAxisY : rules::kAxisCommon;
}

int storedSteps(const DpiStage& d, int axis) { return axis == rules::kAxisX ? d.x : axis == rules::kAxisY ? d.y : d.common; }

// Double-clicks on the stage tiles and the values, and the DPI field's Enter, Escape and loss of
// focus, handed to the page.
class DpiEvents : public QObject {
public:
    std::function<void(QObject*)> doubleClicked;
    std::function<void(bool store)> entryDone;
    QObject* entry = nullptr;
    std::vector<QObject*> values;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == entry) {
            if (event->type() == QEvent::FocusOut) entryDone(true);
            if (event->type() != QEvent::KeyPress) return false;
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key != Qt::Key_Escape && key != Qt::Key_Return && key != Qt::Key_Enter) return false;
            entryDone(key != Qt::Key_Escape);
            return true;
        }
        if (event->type() == QEvent::MouseButtonDblClick) {
            doubleClicked(watched);
            return true;
        }
        // A press on a value is the value's (the window would take it for moving itself).
        return event->type() == QEvent::MouseButtonPress && std::find(values.begin(), values.end(), watched) != values.end();
    }
};

}  // namespace

std::string stageCaption(const std::string& stageWord, int stage, const DpiStage& values) {
    const std::string head = stageWord + " " + std::to_string(stage + 1) + "\n";
    auto dpi = [](int steps) { return std::to_string(steps * rules::kDpiPerStep); };
    if (values.separate == 0) return head + dpi(values.common) + " DPI";
    return head + dpi(values.x) + " / " + dpi(values.y) + "\nX / Y DPI";
}

PerformancePage::PerformancePage(PageHost& host) : Page(host, layout::kDpiPage, layout::dpiPage()) {}

void PerformancePage::controlsMade() {
    // Each DPI slider: its axis named left of it, its value in DPI right of it. A double-click on
    // the value or on a stage tile opens a field to type the value in.
    auto events = std::make_unique<DpiEvents>();
    entry_ = new skin::CClrEdit(&window());
    entry_->setFontHeight(14);
    entry_->setAlignment(Qt::AlignCenter);
    entry_->setMaxLength(5);
    entry_->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,5}"), entry_));
    entry_->hide();
    entry_->installEventFilter(events.get());
    events->entry = entry_;
    events->entryDone = [this](bool store) { closeEntry(store); };
    for (int axis = 0; axis < 3; ++axis) {
        QWidget* slider = control(kAxisSliders[axis]);
        if (slider == nullptr) continue;
        const QRect r = slider->geometry();
        Axis& a = axes_[axis];
        a.label = new skin::CStaticTrans(&window());
        a.label->setTextColor(skin::colour::kText);
        a.label->setFontHeight(13);
        a.label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        a.label->setText(QString::fromLatin1(kAxisNames[axis]));
        a.label->setGeometry(kGroupInnerLeft, r.top(), r.left() - 8 - kGroupInnerLeft, r.height());
        a.value = new skin::CStaticTrans(&window());
        a.value->setTextColor(skin::colour::kText);
        a.value->setFontHeight(14);
        a.value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        a.value->setGeometry(r.right() + 9, r.top() - 2, kGroupInnerRight - r.right() - 9, r.height() + 4);
        a.value->installEventFilter(events.get());
        events->values.push_back(a.value);
        keep(a.label);
        keep(a.value);
    }
    for (int stage = 0; stage < kDpiStageCount; ++stage)
        if (QWidget* tile = control(Role::DpiStage, stage)) tile->installEventFilter(events.get());
    events->doubleClicked = [this](QObject* watched) {
        for (int axis = 0; axis < 3; ++axis)
            if (watched == axes_[axis].value) return openEntry(axis);
        const int stage = host_.model().currentStage();  // a tile: its first click made it current
        if (stage >= 0) openEntry(host_.model().working().dpiStages[stage].separate != 0 ? rules::kAxisX : rules::kAxisCommon);
    };
    doubleClicks_ = std::move(events);

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
    const QString hint = desktop ? text("ACCELDESKTOPHINT") : QString();
    for (Role role : {Role::AccelerationSwitch, Role::AccelerationSlider})
        if (QWidget* w = control(role)) w->setToolTip(desktop ? hint : tip(role));
    if (accelerationNote_ != nullptr) {
        accelerationNote_->setToolTip(hint);
        accelerationNote_->setVisible(desktop && shown());
    }
}

void PerformancePage::setShown(bool shown) {
    Page::setShown(shown);
    if (!shown) closeEntry(false);
    if (accelerationNote_ != nullptr) accelerationNote_->setVisible(desktopPointer_ && shown);
    show(host_.model());  // one slider for both axes or one for each
}

void PerformancePage::refresh(const PanelModel& model) { show(model); }

void PerformancePage::openEntry(int axis) {
    const int stage = host_.model().currentStage();
    skin::CStaticTrans* value = axes_[axis].value;
    if (entry_ == nullptr || value == nullptr || !value->isVisible() || stage < 0) return;
    entryAxis_ = axis;
    entry_->setGeometry(value->geometry());
    entry_->setText(QString::number(storedSteps(host_.model().working().dpiStages[stage], axis) * rules::kDpiPerStep));
    entry_->selectAll();
    entry_->show();
    entry_->raise();
    entry_->setFocus(Qt::OtherFocusReason);
}

void PerformancePage::closeEntry(bool store) {
    if (entryAxis_ < 0) return;
    const int axis = std::exchange(entryAxis_, -1);
    const QString typed = entry_->text();
    entry_->hide();
    bool ok = false;
    const int dpi = typed.toInt(&ok);
    PanelModel& model = host_.model();
    const int stage = model.currentStage();
    if (!store || !ok || stage < 0) return;
    // The nearest of the mouse's steps; a value it already holds changes nothing.
    const int steps = rules::kDpiSteps.snap((dpi + rules::kDpiPerStep / 2) / rules::kDpiPerStep);
    if (steps == storedSteps(model.working().dpiStages[stage], axis)) return;
    model.saveAndTell(rules::setStageValue(model.working(), stage, axis, steps));
    host_.saveOrSay();
    host_.showSettings();
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
    for (int axis = 0; axis < 3; ++axis) {
        const bool visible = shown() && separate == (axis != rules::kAxisCommon);
        if (QWidget* w = control(kAxisSliders[axis])) w->setVisible(visible);
        const Axis& a = axes_[axis];
        if (a.label != nullptr) a.label->setVisible(visible);
        if (a.value != nullptr) a.value->setVisible(visible);
        if (current < 0) continue;
        const int steps = storedSteps(s.dpiStages[current], axis);
        if (auto* w = qobject_cast<skin::CPngHSliderBar*>(control(kAxisSliders[axis]))) w->setValue(steps);
        if (a.value != nullptr) a.value->setText(dpiText(steps));
    }
    if (auto* w = qobject_cast<skin::CPngHSliderBar*>(control(Role::AccelerationSlider))) w->setValue(s.Acceleration);
}

bool PerformancePage::command(const layout::Control& c) {
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
    // A notification that would store what the stage holds changes nothing (a track click reports
    // its press and its release); a release after a drag still saves what the drag stored.
    PanelModel& model = host_.model();
    const int stage = model.currentStage();
    if (stage < 0) return false;
    const int axis = axisOf(identifier);
    const bool same = storedSteps(model.working().dpiStages[stage], axis) == rules::kDpiSteps.snap(position);
    if (same && !(released && dragStored_)) return false;
    const rules::Request request = rules::setStageValue(model.working(), stage, axis, position);
    dragStored_ = !released;
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
            // A release at the level it holds changes nothing (a track click reports twice).
            if (released && rules::kAccelerationLevels.snap(value) != host_.model().working().Acceleration)
                host_.model().saveAndTell(rules::setAcceleration(host_.model().working(), value));
            return true;
        default: return false;
    }
}

}  // namespace panel
