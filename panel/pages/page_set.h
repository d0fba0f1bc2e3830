#pragma once
// PageSet: the window's pages by number, each made (and showing the settings) the first time the
// window needs it, so that a page's pictures and controls cost nothing until it is shown.
#include <functional>
#include <map>
#include <memory>

#include "panel/pages/page.h"

namespace panel {

class MacroPage;

class PageSet {
public:
    explicit PageSet(PageHost& host);
    ~PageSet();

    // A page made elsewhere (the start page, made with the frame's pictures).
    void add(std::unique_ptr<Page> page);
    // The page of that number, made when first needed; any unknown number gives the start page.
    Page& page(int number);
    // The page if it has been made, else nullptr.
    Page* made(int number) const;
    // Makes every page now.
    void makeAll();

    // The control of that role and index on the first page (in page order) whose table has it,
    // made if need be.
    QWidget* control(layout::Role role, int index);
    // Every page made so far shows the settings.
    void refresh(const PanelModel& model);
    // Offers a message of the controls to every page made so far; true when one took it.
    bool onMessage(uint32_t message, int64_t wParam, int64_t lParam);

    // What the macro and performance pages take from the session, now or when they are made.
    void setHooks(std::function<void(bool)> enable, bool windowCapture);
    void setDesktopPointer(bool desktop);
    MacroPage* macroPage() const;

private:
    PageHost& host_;
    std::map<int, std::unique_ptr<Page>> pages_;
    std::function<void(bool)> enableHooks_;
    bool windowCapture_ = true;
    bool desktopPointer_ = false;
};

}  // namespace panel
