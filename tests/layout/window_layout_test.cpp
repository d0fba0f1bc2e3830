// The rectangle tables of the main window: geometry that the window and the art both rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "panel/layout/dialog_layout.h"
#include "panel/layout/window_layout.h"

namespace {

using layout::Control;
using layout::Rect;
using layout::Role;
using layout::Window;

bool inside(const Rect& inner, const Rect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom && inner.width() > 0 && inner.height() > 0;
}

bool overlap(const Rect& a, const Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// The common DPI slider shares the X slider's place; the window never shows both.
bool sharesPlace(const Control& a, const Control& b) {
    auto pair = [](Role x, Role y) { return x == Role::DpiSliderCommon && y == Role::DpiSliderX; };
    return pair(a.role, b.role) || pair(b.role, a.role);
}

// The main window's pictures and the function dialogs'.
std::vector<const Window*> allWindows() {
    std::vector<const Window*> windows = {&layout::mainFrame(), &layout::startPage(), &layout::buttonPage(),
                                          &layout::macroPage(), &layout::lightingPage(), &layout::dpiPage()};
    for (const Window* dialog : layout::dialogWindows()) windows.push_back(dialog);
    return windows;
}

TEST(WindowLayout, ControlsLieInsideTheirWindowWithUniqueIdsAndNoOverlap) {
    for (const Window* window : allWindows()) {
        SCOPED_TRACE(window->skinFile);
        const Rect whole{0, 0, window->width, window->height};
        std::set<int> ids;
        for (size_t i = 0; i < window->controls.size(); ++i) {
            const Control& c = window->controls[i];
            EXPECT_TRUE(inside(c.rect, whole)) << "control " << c.id;
            EXPECT_TRUE(ids.insert(c.id).second) << "duplicate id " << c.id;
            EXPECT_GE(c.captionOffset, 0);
            EXPECT_LT(c.captionOffset, c.rect.width());
            for (size_t j = i + 1; j < window->controls.size(); ++j) {
                const Control& d = window->controls[j];
                if (!sharesPlace(c, d)) {
                    EXPECT_FALSE(overlap(c.rect, d.rect)) << c.id << " and " << d.id;
                }
            }
        }
        for (const layout::Group& group : window->groups) EXPECT_TRUE(inside(group.rect, whole));
    }
}

TEST(WindowLayout, HeadingsBelongToGroupsWithAHeadingBandAndSlidersHaveARange) {
    // The art paints a heading band where a group's first control lies 40 to 44 px below its top;
    // the window writes the group's heading there, so a heading needs a band and a band a heading.
    for (const Window* window : allWindows()) {
        SCOPED_TRACE(window->skinFile);
        for (const layout::Group& g : window->groups) {
            int firstTop = g.rect.bottom;
            for (const Control& c : window->controls)
                if (inside(c.rect, g.rect)) firstTop = std::min(firstTop, c.rect.top);
            const bool band = firstTop - g.rect.top >= 40 && firstTop - g.rect.top <= 44;
            EXPECT_EQ(g.heading != nullptr, band) << "group at " << g.rect.left << "," << g.rect.top;
        }
        std::set<int> sliders;
        for (const Control& c : window->controls) {
            if (c.slider.identifier == 0) continue;
            EXPECT_EQ(c.look, layout::Look::Plain) << c.id;
            EXPECT_LT(c.slider.minimum, c.slider.maximum) << c.id;
            EXPECT_FALSE(c.toggles) << c.id;
            EXPECT_TRUE(sliders.insert(c.slider.identifier).second) << "slider " << c.slider.identifier;
        }
    }
    // The frame and the start page read their captions from one skin description.
    for (const Control& f : layout::mainFrame().controls)
        for (const Control& s : layout::startPage().controls) EXPECT_NE(f.id, s.id);
}

TEST(WindowLayout, PageControlsStayClearOfTheFrame) {
    // The frame's controls are shown on every page, so no page control may lie under one of them,
    // nor share its id.
    for (const Window* page : {&layout::startPage(), &layout::buttonPage(), &layout::macroPage(),
                               &layout::lightingPage(), &layout::dpiPage()}) {
        SCOPED_TRACE(page->skinFile);
        EXPECT_EQ(page->width, layout::kMainWidth);
        EXPECT_EQ(page->height, layout::kMainHeight);
        for (const Control& c : page->controls)
            for (const Control& f : layout::mainFrame().controls) {
                EXPECT_FALSE(overlap(c.rect, f.rect)) << c.id << " and frame " << f.id;
                EXPECT_NE(c.id, f.id);
            }
    }
}

TEST(WindowLayout, EveryControlTheWindowNeedsExists) {
    struct Need {
        const Window& window;
        Role role;
        int count;
    };
    const Need needs[] = {
        {layout::mainFrame(), Role::Close, 1},       {layout::mainFrame(), Role::Minimize, 1},
        {layout::mainFrame(), Role::Help, 1},        {layout::mainFrame(), Role::WebLink, 1},
        {layout::mainFrame(), Role::Reset, 1},       {layout::mainFrame(), Role::Apply, 1},
        {layout::mainFrame(), Role::Reload, 1},      {layout::mainFrame(), Role::Import, 1},
        {layout::mainFrame(), Role::Export, 1},      {layout::mainFrame(), Role::StateText, 1},
        {layout::startPage(), Role::TabButtons, 1},  {layout::startPage(), Role::TabMacro, 1},
        {layout::startPage(), Role::TabLighting, 1}, {layout::startPage(), Role::TabDpi, 1},
        {layout::buttonPage(), Role::TabHome, 1},    {layout::buttonPage(), Role::TabMacro, 1},
        {layout::buttonPage(), Role::Profile, 5},    {layout::buttonPage(), Role::ButtonLabel, 9},
        {layout::macroPage(), Role::TabHome, 1},     {layout::macroPage(), Role::MacroList, 1},
        {layout::macroPage(), Role::MacroName, 1},
        {layout::macroPage(), Role::MacroCommand, layout::kMacroCommandCount},
        {layout::lightingPage(), Role::TabHome, 1},  {layout::lightingPage(), Role::ColorSelector, 1},
        {layout::lightingPage(), Role::LightOn, 1},  {layout::lightingPage(), Role::LightOff, 1},
        {layout::lightingPage(), Role::LightMode, 1}, {layout::lightingPage(), Role::LightDirection, 1},
        {layout::lightingPage(), Role::LightLevel, 1}, {layout::lightingPage(), Role::LightRate, 1},
        {layout::lightingPage(), Role::LightRateSwitch, 1},
        {layout::dpiPage(), Role::TabHome, 1},       {layout::dpiPage(), Role::DpiStage, 7},
        {layout::dpiPage(), Role::ReportRate, 4},    {layout::dpiPage(), Role::DpiSliderY, 1},
        {layout::dpiPage(), Role::AccelerationSlider, 1}, {layout::dpiPage(), Role::LiftLow, 1},
    };
    for (const Need& need : needs)
        for (int i = 0; i < need.count; ++i)
            EXPECT_NE(layout::find(need.window, need.role, i), nullptr)
                << need.window.skinFile << " role " << static_cast<int>(need.role) << " index " << i;
    EXPECT_EQ(layout::find(layout::buttonPage(), Role::ButtonLabel, 9), nullptr);

    const Rect selector = layout::find(layout::lightingPage(), Role::ColorSelector)->rect;
    EXPECT_EQ(selector.width(), 230);
    EXPECT_EQ(selector.height(), 200);
}

TEST(WindowLayout, PagesMapToTheirSkinFiles) {
    const std::pair<int, std::string> pages[] = {
        {layout::kStartPage, "skins/skin_main.ini"},     {layout::kButtonPage, "skins/skin_button.ini"},
        {layout::kMacroPage, "skins/skin_macro.ini"},    {layout::kLightingPage, "skins/skin_color.ini"},
        {layout::kDpiPage, "skins/skin_advance.ini"},    {layout::kBlankPage, "skins/skin_main.ini"},
        {12345, "skins/skin_main.ini"},
    };
    for (const auto& [page, file] : pages) EXPECT_EQ(layout::pageWindow(page).skinFile, file) << page;
}

TEST(WindowLayout, AnchorsLieOnTheMousePictureBesideNoOtherControl) {
    const Rect mouse = layout::mousePicture();
    for (int b = 0; b < 9; ++b) {
        const layout::Point p = layout::buttonAnchor(b);
        EXPECT_TRUE(p.x > mouse.left && p.x < mouse.right && p.y > mouse.top && p.y < mouse.bottom) << b;
    }
    for (const Control& c : layout::buttonPage().controls)
        EXPECT_FALSE(overlap(c.rect, mouse)) << c.id;
}

TEST(WindowLayout, DialogsHaveTheirCommandsAndKeepTheTitleFree) {
    for (const Window* dialog : layout::dialogWindows()) {
        SCOPED_TRACE(dialog->skinFile);
        for (Role command : {Role::DialogOk, Role::DialogCancel, Role::DialogClose})
            EXPECT_NE(layout::find(*dialog, command), nullptr) << static_cast<int>(command);
        EXPECT_EQ(layout::find(*dialog, Role::DialogOk)->id, 1);
        EXPECT_EQ(layout::find(*dialog, Role::DialogCancel)->id, 2);
        const Rect title = layout::dialogTitleArea(*dialog);
        const Rect footer{0, dialog->height - layout::kDialogFooter, dialog->width, dialog->height};
        for (const Control& c : dialog->controls) {
            EXPECT_FALSE(overlap(c.rect, title)) << c.id;
            // The footer holds the dialog's commands: OK, Cancel and the program dialog's Browse.
            const bool command = c.role == Role::DialogOk || c.role == Role::DialogCancel || c.role == Role::ProgramBrowse;
            EXPECT_EQ(overlap(c.rect, footer), command) << c.id;
        }
    }
    EXPECT_EQ(layout::find(layout::gunfireDialog(), Role::ValueField, 0)->id, 20482);
    EXPECT_EQ(layout::find(layout::gunfireDialog(), Role::ValueField, 1)->id, 20481);
    EXPECT_EQ(layout::find(layout::gunfireDialog(), Role::RateSlider)->id, 10011);
}

}  // namespace
