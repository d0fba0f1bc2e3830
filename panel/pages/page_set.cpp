#include "panel/pages/page_set.h"

#include "panel/macro/macro_page.h"
#include "panel/pages/blank_page.h"
#include "panel/pages/button_page.h"
#include "panel/pages/lighting_page.h"
#include "panel/pages/performance_page.h"
#include "panel/pages/start_page.h"
#include "panel/panel_model.h"

namespace panel {

namespace {
// The pages in the order control() looks through them.
constexpr int kPageOrder[] = {layout::kStartPage, layout::kButtonPage, layout::kMacroPage, layout::kLightingPage,
                              layout::kDpiPage};
}  // namespace

PageSet::PageSet(PageHost& host) : host_(host) {}

PageSet::~PageSet() = default;

void PageSet::add(std::unique_ptr<Page> page) {
    const int number = page->number();
    pages_[number] = std::move(page);
}

Page* PageSet::made(int number) const {
    auto it = pages_.find(number);
    return it == pages_.end() ? nullptr : it->second.get();
}

Page& PageSet::page(int number) {
    if (Page* page = made(number)) return *page;
    std::unique_ptr<Page> page;
    switch (number) {
        case layout::kButtonPage: page = std::make_unique<ButtonPage>(host_); break;
        case layout::kLightingPage: page = std::make_unique<LightingPage>(host_); break;
        case layout::kBlankPage: page = std::make_unique<BlankPage>(host_); break;
        case layout::kMacroPage: {
            auto macro = std::make_unique<MacroPage>(host_);
            macro->setHookSwitch([this](bool on) {
                if (enableHooks_) enableHooks_(on);
            });
            macro->setWindowCapture(windowCapture_);
            page = std::move(macro);
            break;
        }
        case layout::kDpiPage: {
            auto performance = std::make_unique<PerformancePage>(host_);
            performance->setDesktopPointer(desktopPointer_);
            page = std::move(performance);
            break;
        }
        default:
            if (number != layout::kStartPage) return this->page(layout::kStartPage);
            page = std::make_unique<StartPage>(host_);
            break;
    }
    page->create();
    page->refresh(host_.model());
    return *pages_.emplace(number, std::move(page)).first->second;
}

void PageSet::makeAll() {
    for (int number : kPageOrder) page(number);
}

QWidget* PageSet::control(layout::Role role, int index) {
    for (int number : kPageOrder)
        if (layout::find(layout::pageWindow(number), role, index) != nullptr) return page(number).control(role, index);
    return nullptr;
}

void PageSet::refresh(const PanelModel& model) {
    for (const auto& [number, page] : pages_) page->refresh(model);
}

bool PageSet::onMessage(uint32_t message, int64_t wParam, int64_t lParam) {
    for (const auto& [number, page] : pages_)
        if (page->onMessage(message, wParam, lParam)) return true;
    return false;
}

void PageSet::setHooks(std::function<void(bool)> enable, bool windowCapture) {
    enableHooks_ = std::move(enable);
    windowCapture_ = windowCapture;
    if (MacroPage* macro = macroPage()) macro->setWindowCapture(windowCapture);
}

void PageSet::setDesktopPointer(bool desktop) {
    desktopPointer_ = desktop;
    if (Page* page = made(layout::kDpiPage)) static_cast<PerformancePage*>(page)->setDesktopPointer(desktop);
}

MacroPage* PageSet::macroPage() const { return static_cast<MacroPage*>(made(layout::kMacroPage)); }

}  // namespace panel
