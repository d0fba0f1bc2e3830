#pragma once
// CMocfgDlg: the configuration window. One borderless, skinned window with a page at a time (start
// page, buttons, macros, lighting, DPI and polling), a frame of commands around it, and a strip
// that says whether the mouse and the service are there. The window places its controls from the
// rectangle tables (panel/layout) and their pictures and captions from the skin description files;
// it edits the PanelModel and hands it every numbered message: its own controls' (through the
// in-process queue) and the bus's (only the numbers other programs may send).
#include <QImage>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "panel/layout/window_layout.h"
#include "panel/dpi_page.h"
#include "panel/function_menu.h"
#include "panel/lighting_page.h"
#include "panel/panel_model.h"
#include "platform/message_bus.h"
#include "shared/string_table.h"
#include "skin/bitmap_menu.h"
#include "skin/skinned_window.h"

class QFileSystemWatcher;
namespace panel {
class MacroPage;
}
namespace skin {

class CBitmapBtn;
class CStaticTrans;
}  // namespace skin

namespace panel {

class CMocfgDlg : public skin::SkinnedWindow {
    Q_OBJECT
public:
    CMocfgDlg(PanelModel& model, ServiceMessenger& service, QWidget* parent = nullptr);
    ~CMocfgDlg() override;

    // Creation and first initialisation: strings and font, pictures and controls, the settings,
    // the start page, the state strip and its watchers.
    void initialise();

    int64_t onMessage(uint32_t message, int64_t wParam, int64_t lParam) override;

    // Makes the page current: its controls shown, the others' hidden, controls a page disabled
    // enabled again, repainted. The current page does nothing.
    void showPage(int page);
    int currentPage() const { return page_; }

    // The controls of the four pages. The start page's are made with the window; the others once
    // it has been painted (start-up shows the window sooner), or when a page is shown first.
    void createPages();
    bool pagesCreated() const { return pagesCreated_; }

    // The control of that role and index on the page that shows it (frame controls on every page).
    QWidget* control(layout::Role role, int index = 0) const;
    skin::CBitmapBtn* button(layout::Role role, int index = 0) const;

    // The state strip's text (empty when the mouse and the service are both there).
    QString stateText() const;
    // What the strip adds about the service's shortcuts (empty while they reach every program, or
    // before the service has said): they are off, or reach X programs only.
    QString shortcutText() const { return shortcutText_; }
    // Pointer acceleration belongs to the desktop (a Wayland session): the acceleration group says
    // so. Set from the session at start.
    void setDesktopPointerSettings(bool desktop);
    // Re-reads whether the service runs and the mouse is connected.
    void updateState();

    // The open popup menu (nullptr when none) and the button whose function menu it is (-1: none).
    skin::CBmpMenu* popup() const { return popup_; }
    int selectedButton() const { return selectedButton_; }
    // Closes the open popup; nothing is chosen.
    void closePopup();

    // The notice of a write that did not reach the mouse, or of a change made on the mouse that
    // could not be saved (nullptr while none is shown). Its Retry saves the settings and asks the
    // service for the full write (1279).
    QMessageBox* writeNotice() const { return writeNotice_; }
    // The capture plugin's switch (both hooks on or off), and whether recording must take the
    // window's own key and button events instead (no plugin, or no X server carrying the input).
    void setHooks(std::function<void(bool)> enable, bool windowCapture);
    // The macro page (made with the other pages; nullptr before).
    MacroPage* macroPage() const { return macroPage_; }

    // Text of the strings file ("MAIN" unless given).
    QString text(const char* key, const char* section = "MAIN") const;

signals:
    void closing();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    struct Placed {
        const layout::Control* place;
        int page;          // page that shows it; 0 = every page (the frame)
        QWidget* widget;
    };
    struct PageArt {
        QImage background;
    };

    void createControls(const layout::Window& window, int page);
    QWidget* createSelfDrawn(const layout::Control& control);
    void onCommand(const layout::Control& control);
    void refresh();
    void refreshButtonLabels();
    void refreshDpiPage();
    void refreshLightingPage();
    bool confirm(const QString& question);
    void openHelp();
    void closeFromService();
    void openFunctionMenu(int button);
    // The profile button's menu: a program for the profile, or none.
    void openProgramMenu(int profile);
    void chooseProgram(int profile, int action);
    void refreshProgramTips();
    void openMenu(QWidget* anchor, const std::vector<FunctionMenuEntry>& entries, const char* normal,
                  const char* over, const char* down);
    void onSlider(uint32_t message, int64_t position, int64_t id);
    void showPopup(QPoint corner, const std::vector<skin::MenuItem>& items, const char* normal, const char* over,
                   const char* down);
    void assignFunction(int64_t lParam);
    void saveOrSay();
    QString noSaveText() const;  // "NOSAVE", naming the settings folder
    void warn(const QString& message);  // a "Warning" box with OK
    void showWriteFailure(int64_t reason);
    // The notice of writeNotice(), with this text.
    void showNotice(const QString& message);
    QString chooseProfileFile(bool forSaving);
    void exportProfile();
    void importProfile();
    void watchStateSources();

    PanelModel& model_;
    ServiceMessenger& service_;
    StringTable strings_;  // the window's texts, read once
    DpiPageRules dpi_;
    LightingPageRules lighting_;
    int page_ = 0;
    bool closingDown_ = false;
    bool painted_ = false;
    bool pagesCreated_ = false;
    std::map<int, PageArt> art_;   // by page number (the start page's is the frame's)
    std::vector<Placed> controls_;
    std::vector<Placed> headings_;  // group headings (no control of their own)
    skin::CStaticTrans* pageTitle_ = nullptr;
    skin::CStaticTrans* stateLabel_ = nullptr;
    skin::CStaticTrans* stateHint_ = nullptr;
    skin::CStaticTrans* levelValue_ = nullptr;  // 0, 30, 60 or 100 beside the level slider
    skin::CStaticTrans* accelerationNote_ = nullptr;  // on the acceleration group's heading line
    bool desktopPointer_ = false;
    int shortcutReach_ = -1;  // the service's last answer to the shortcut query; -1 none yet
    QString shortcutText_;
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer settle_;
    QString stateText_;
    QPointer<skin::CBmpMenu> popup_;
    QPointer<QMessageBox> writeNotice_;
    MacroPage* macroPage_ = nullptr;
    std::function<void(bool)> enableHooks_;
    bool windowCapture_ = true;
    bool notice_ = false;  // showPage() runs for a service notice
    int selectedButton_ = -1;
    int menuProfile_ = 0;  // the profile whose button the open function menu assigns
    int programMenuProfile_ = -1;  // the profile whose program menu is open (-1: none)
    std::string dataFolder_;
    std::string busFolder_;
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
