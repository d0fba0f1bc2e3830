#include "panel/pages/lighting_page.h"

#include "panel/panel_model.h"
#include "skin/bitmap_button.h"
#include "skin/colour_select.h"
#include "skin/slider.h"
#include "skin/static_trans.h"

namespace panel {

namespace {
using layout::Role;
namespace rules = settingsrules;
}  // namespace

std::vector<FunctionMenuEntry> modeMenu() {
    std::vector<FunctionMenuEntry> items;
    for (int mode : rules::kLightingModes.values())
        items.push_back({"LEDMODE" + std::to_string(mode), kFirstModeItem + mode - 1});
    return items;
}

std::vector<FunctionMenuEntry> directionMenu(int mode) {
    std::vector<FunctionMenuEntry> items;
    if (!rules::modeHasDirection(mode)) return items;
    for (int direction : rules::lightingDirections(mode).values())
        items.push_back({"LEDMODEDIR" + std::to_string(direction), kFirstDirectionItem + direction - 1});
    return items;
}

LightingPage::LightingPage(PageHost& host) : Page(host, layout::kLightingPage, layout::lightingPage()) {}

QWidget* LightingPage::makeControl(const layout::Control& c) {
    if (c.role != Role::ColorSelector) return nullptr;
    auto* selector = new skin::COwnColorSelect(programFolder(), &window());
    selector->create(QRect(QPoint(c.rect.left, c.rect.top), skin::COwnColorSelect::contentSize()));
    return selector;
}

void LightingPage::controlsMade() {
    // The level's value right of its slider, up to the group's inner edge.
    const layout::Control* level = layout::find(table(), Role::LightLevel);
    if (level == nullptr) return;
    const QRect rect(level->rect.left, level->rect.top, level->rect.width(), level->rect.height());
    levelValue_ = new skin::CStaticTrans(&window());
    levelValue_->setTextColor(skin::colour::kText);
    levelValue_->setFontHeight(14);
    levelValue_->setAlignment(Qt::AlignCenter);
    levelValue_->setGeometry(rect.right() + 8, rect.top(), 456 - rect.right() - 8, rect.height());
    keep(levelValue_);
}

void LightingPage::refresh(const PanelModel& model) {
    const MouseSettings& s = model.working();
    const int mode = model.lightingMode();
    if (skin::CBitmapBtn* b = button(Role::LightMode))
        b->setCaption(text(("LEDMODE" + std::to_string(mode)).c_str(), "BUTTONPAGE"));
    if (skin::CBitmapBtn* b = button(Role::LightOn)) b->setChecked(s.LedStateOn == 1);
    if (skin::CBitmapBtn* b = button(Role::LightOff)) b->setChecked(s.LedStateOn != 1);
    const LedModeInfo& info = s.ledModes[mode - 1];
    if (skin::CBitmapBtn* b = button(Role::LightDirection)) {
        const bool directed = rules::modeHasDirection(mode);
        b->setEnabled(directed);
        b->setCaption(directed && info.direction >= 1 && info.direction <= 4
                          ? text(("LEDMODEDIR" + std::to_string(info.direction)).c_str(), "BUTTONPAGE")
                          : QString());
    }
    if (skin::CBitmapBtn* b = button(Role::LightRateSwitch)) b->setChecked(info.rate != 0);
    if (auto* w = qobject_cast<skin::CPngHSliderBar*>(control(Role::LightLevel))) w->setValue(info.level);
    if (levelValue_ != nullptr) levelValue_->setText(QString::number(rules::levelShown(info.level)));
    if (auto* w = qobject_cast<skin::CPngHSliderBar*>(control(Role::LightRate))) {
        w->setValue(info.rate);
        w->setEnabled(info.rate != 0);
    }
    if (auto* w = qobject_cast<skin::COwnColorSelect*>(control(Role::ColorSelector)))
        w->setColor(static_cast<uint32_t>(s.LedColor) & 0xFFFFFF);
}

bool LightingPage::command(const layout::Control& c) {
    PanelModel& model = host_.model();
    rules::Request request;
    switch (c.role) {
        case Role::LightOn: request = rules::setLightingOn(model.working(), true); break;
        case Role::LightOff: request = rules::setLightingOn(model.working(), false); break;
        case Role::LightRateSwitch: request = rules::toggleLightingRate(model.working()); break;
        case Role::LightMode: openMenu(Role::LightMode, modeMenu()); return false;
        case Role::LightDirection: openMenu(Role::LightDirection, directionMenu(model.lightingMode())); return false;
        default: return false;
    }
    model.saveAndTell(request);
    return static_cast<bool>(request);
}

void LightingPage::openMenu(Role role, const std::vector<FunctionMenuEntry>& entries) {
    skin::CBitmapBtn* anchor = button(role);
    if (anchor == nullptr || entries.empty()) return;
    std::vector<skin::MenuItem> items;
    for (const FunctionMenuEntry& e : entries) items.push_back({text(e.key.c_str(), "BUTTONPAGE"), e.number, false, {}});
    host_.openPopup(anchor->mapToGlobal(QPoint(1, anchor->height())), items,
                    {programFolder(), "1menu_normal.png", "1menu_over.png", "1menu_down.png"});
}

void LightingPage::menuChosen(int64_t choice) {
    const int item = static_cast<int>((choice >> 16) & 0xFFFF);
    PanelModel& model = host_.model();
    rules::Request request;
    if (item >= kFirstDirectionItem) request = rules::setLightingDirection(model.working(), item - kFirstDirectionItem + 1);
    else if (item >= kFirstModeItem) request = rules::setLightingMode(model.working(), item - kFirstModeItem + 1);
    model.saveAndTell(request);
    if (request) host_.saveOrSay();
    refresh(model);
}

bool LightingPage::onMessage(uint32_t message, int64_t wParam, int64_t lParam) {
    if (message != skin::kColourChanged) return Page::onMessage(message, wParam, lParam);
    PanelModel& model = host_.model();
    model.saveAndTell(rules::setLightingColour(model.working(), static_cast<uint32_t>(wParam)));
    host_.saveOrSay();
    return true;
}

bool LightingPage::sliderMoved(int identifier, int value, bool released) {
    PanelModel& model = host_.model();
    rules::Request request;
    switch (identifier) {
        case layout::kSliderLevel:
            request = rules::setLightingLevel(model.working(), value);
            break;
        case layout::kSliderRate:
            request = rules::setLightingRate(model.working(), value);
            break;
        case layout::kSliderRate + skin::kSliderFinalOffset:
            rules::setLightingRate(model.working(), value);  // the second release only stores
            return true;
        default: return false;
    }
    if (released) model.saveAndTell(request);  // a drag only stores
    if (identifier == layout::kSliderLevel) refresh(model);  // the level's number beside it
    return true;
}

}  // namespace panel
