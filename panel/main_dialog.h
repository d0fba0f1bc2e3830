#pragma once
// CMocfgDlg: the configuration window. One borderless, skinned window with a page at a time (start
// page, buttons, macros, lighting, DPI and polling, or the blank page), a frame of commands around
// it, and a strip that says whether the mouse and the service are there.
//
// The window keeps the frame, switches the pages (panel/pages, each made from its layout table the
// first time it is needed), shows the state strip and routes the numbered messages: the bus's (only
// the numbers other programs may send) to the model and the pages, its controls' to the page they
// belong to. The pages change the PanelModel, which saves the settings and tells the service.
#include <QImage>
#include <QMessageBox>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <memory>

#include "panel/layout/window_layout.h"
#include "panel/pages/page.h"
#include "panel/pages/page_set.h"
#include "panel/panel_model.h"
#include "platform/message_bus.h"
#include "shared/string_table.h"
#include "skin/bitmap_menu.h"
#include "skin/skinned_window.h"

namespace skin {
class CBitmapBtn;
class CStaticTrans;
}  // namespace skin

namespace panel {

class MacroPage;
class StateStrip;

class CMocfgDlg : public skin::SkinnedWindow, private PageHost {
    Q_OBJECT
public:
    CMocfgDlg(PanelModel& model, ServiceMessenger& service, QWidget* parent = nullptr);
    ~CMocfgDlg() override;

    // Creation and first initialisation: strings and font, the frame and the start page, the
    // settings, the state strip and its watchers.
    void initialise();

    int64_t onMessage(uint32_t message, int64_t wParam, int64_t lParam) override;

    // Makes the page current (made first if need be): its controls shown and enabled, the other
    // page's hidden, the page showing the settings. The current page does nothing.
    void showPage(int page) override;
    int currentPage() const { return page_; }
    // Makes every page now (they are otherwise made when first needed).
    void createPages() { pages_.makeAll(); }

    // The control of that role and index: the frame's, the current page's, or else the first page's
    // that has one (made if need be).
    QWidget* control(layout::Role role, int index = 0);
    skin::CBitmapBtn* button(layout::Role role, int index = 0);

    // The state strip's text (empty when the mouse and the service are both there).
    QString stateText() const;
    // What the strip adds about the service's shortcuts (empty while they reach every program, or
    // before the service has said): they are off, or reach X programs only.
    QString shortcutText() const;
    // Pointer acceleration belongs to the desktop (a Wayland session): the acceleration group says
    // so. Set from the session at start.
    void setDesktopPointerSettings(bool desktop);
    // Re-reads whether the service runs and the mouse is connected.
    void updateState();

    // The open popup menu (nullptr when none); closePopup() closes it, nothing chosen.
    skin::CBmpMenu* popup() const { return popup_; }
    void closePopup();

    // The notice of a write that did not reach the mouse (nullptr while none is shown). Its Retry
    // saves the settings and asks the service for the full write (1279).
    QMessageBox* writeNotice() const;
    // The capture plugin's switch (both hooks on or off), and whether recording must take the
    // window's own key and button events instead (no plugin, or no X server carrying the input).
    void setHooks(std::function<void(bool)> enable, bool windowCapture);
    // The macro page (nullptr until it is made).
    MacroPage* macroPage() const;

    // Text of the strings file ("MAIN" unless given).
    QString text(const char* key, const char* section = "MAIN") const;

signals:
    void closing();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // PageHost
    skin::SkinnedWindow& skinnedWindow() override { return *this; }
    PanelModel& model() override { return model_; }
    const StringTable& strings() const override { return strings_; }
    void clicked(Page& page, const layout::Control& control) override;
    void showSettings() override { refresh(); }
    void warn(const QString& message) override;  // a "Warning" box with OK
    void saveOrSay() override;
    bool confirm(const QString& question) override;
    skin::CBmpMenu* openPopup(QPoint corner, const std::vector<skin::MenuItem>& items,
                              const skin::MenuPictures& pictures) override;
    bool closingDown() const override { return closingDown_; }

    Page* current() const { return pages_.made(page_); }
    // The frame's and start page's hover, pressed and disabled pictures, once.
    void completeFramePictures();
    void frameCommand(const layout::Control& control);
    void refresh();
    void openHelp();
    void closeFromService();
    QString chooseProfileFile(bool forSaving);
    void exportProfile();
    void importProfile();

    PanelModel& model_;
    ServiceMessenger& service_;
    StringTable strings_;  // the window's texts, read once
    int page_ = 0;
    bool closingDown_ = false;
    bool painted_ = false;
    std::unique_ptr<Page> frame_;  // the frame's controls, on every page
    PageSet pages_{*this};
    QImage frameBackground_;
    bool framePicturesComplete_ = false;
    skin::CStaticTrans* pageTitle_ = nullptr;
    StateStrip* strip_ = nullptr;
    QPointer<skin::CBmpMenu> popup_;
};

// The window's place on the bus under the title "KORVANTE": other programs' messages reach the
// window's handler in arrival order, except the numbers only its own controls send.
class PanelBus {
public:
    PanelBus(platform::Reactor& reactor, CMocfgDlg& dialog);
    bool create();
    void destroy();

private:
    platform::Window window_;
};

}  // namespace panel
