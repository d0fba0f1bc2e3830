#pragma once
// The pages of the configuration window, behind one interface the window drives.
//
// A page is described by its rectangle table (panel/layout): the first time the window needs it,
// the page makes its controls from the table (picture buttons cut from the page's skin pictures,
// value fields, sliders, the group headings the table names) and adds what only it has. The window
// keeps the frame, switches pages and routes the messages; a page shows the settings (refresh),
// acts on its own buttons, control messages and menu choices, and changes the settings only
// through the PanelModel, which saves them and tells the service.
#include <QImage>
#include <QPoint>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

#include "panel/layout/placements.h"
#include "panel/layout/window_layout.h"
#include "skin/bitmap_menu.h"

class QPainter;
class StringTable;

namespace skin {
class CBitmapBtn;
class SkinnedWindow;
struct SkinDescription;
struct StatePictures;
}  // namespace skin

namespace panel {

class Page;
class PanelModel;

// What a page needs of its window.
class PageHost {
public:
    // The window the controls belong to (and their messages go to).
    virtual skin::SkinnedWindow& skinnedWindow() = 0;
    virtual PanelModel& model() = 0;
    virtual const StringTable& strings() const = 0;
    // A button of a page was clicked: the window switches pages for the tabs and hands every other
    // command to the page.
    virtual void clicked(Page& page, const layout::Control& control) = 0;
    virtual void showPage(int page) = 0;
    // Every page shows the settings anew.
    virtual void showSettings() = 0;
    // A "Warning" box with OK; a change that could not be saved says so.
    virtual void warn(const QString& message) = 0;
    virtual void saveOrSay() = 0;
    // A "Warning" box with OK and Cancel; false for Cancel or when the window is closing.
    virtual bool confirm(const QString& question) = 0;
    // A picture menu at that corner (global), in place of any other; its choice comes back to the
    // current page (menuChosen).
    virtual skin::CBmpMenu* openPopup(QPoint corner, const std::vector<skin::MenuItem>& items,
                                      const skin::MenuPictures& pictures) = 0;
    // The service closed the window while a dialog was open: the page does nothing more.
    virtual bool closingDown() const = 0;

protected:
    ~PageHost() = default;
};

class Page {
public:
    Page(PageHost& host, int number, const layout::Window& table);
    virtual ~Page();
    Page(const Page&) = delete;
    Page& operator=(const Page&) = delete;

    int number() const { return number_; }
    const layout::Window& table() const { return table_; }

    // Makes the page's controls, hidden, with the table's pictures (or those given: the start page
    // shares the frame's). Once; the window does it when it first needs the page.
    void create();
    void create(const skin::StatePictures& pictures, const skin::SkinDescription& description);
    bool created() const { return created_; }
    // Cuts the buttons' state pictures anew from these (the frame's hover, pressed and disabled
    // pictures come after the window's first paint).
    void recut(const skin::StatePictures& pictures);

    QWidget* control(layout::Role role, int index = 0) const { return controls_.find(role, index); }
    skin::CBitmapBtn* button(layout::Role role, int index = 0) const;
    // Shows the page's controls (enabled) and labels, or hides them.
    virtual void setShown(bool shown);
    bool shown() const { return shown_; }
    // The page's picture (null: the frame's shows).
    const QImage& background() const { return background_; }
    // Drawn over the picture the window painted.
    virtual void paintOver(QPainter& painter, const QImage& picture) const;

    // The controls show the settings.
    virtual void refresh(const PanelModel& model) = 0;
    // A button of the page's own roles was clicked; true when the settings changed (the window then
    // says when they could not be saved and shows every page anew).
    virtual bool command(const layout::Control& control);
    // A choice of a menu the page opened: 1281's lParam (number << 16 | submenu item number).
    virtual void menuChosen(int64_t choice);
    // A message of the page's own controls; true when it was the page's. Slider messages go to
    // sliderMoved(); a change that a released slider made is saved or said to be unsaved.
    virtual bool onMessage(uint32_t message, int64_t wParam, int64_t lParam);
    // The page became the current one.
    virtual void becameCurrent();
    // The service says the mouse's settings changed while the page is current.
    virtual void serviceNotice();
    // The page works on files of its own: the frame's profile files and resets wait until it is left.
    virtual bool holdsProfileCommands() const { return false; }

protected:
    // A control of the table the page makes itself (lists, edit fields, the colour selector), or
    // nullptr for the usual one. Controls other than Look::Plain are then placed at their rectangle.
    virtual QWidget* makeControl(const layout::Control& control);
    // Whether the page shows that entry of its table (all of them unless it says otherwise).
    virtual bool wants(const layout::Control& control) const;
    // After the controls: the page's own labels.
    virtual void controlsMade();
    // A slider of the page (by identifier) was dragged to a value, or released at it; true when
    // it was the page's.
    virtual bool sliderMoved(int identifier, int value, bool released);
    // A label shown and hidden with the page.
    void keep(QWidget* widget);
    // The page shows the frame's picture, not its table's.
    void dropPicture() { background_ = QImage(); }
    // The heading of the table's group with that "MAIN" key (nullptr when there is none).
    QWidget* heading(const char* key) const;

    QString text(const char* key, const char* section = "MAIN") const;
    const std::string& programFolder() const;
    skin::SkinnedWindow& window() const { return host_.skinnedWindow(); }

    PageHost& host_;

private:
    QWidget* makeUsual(const layout::Control& control, const skin::StatePictures& pictures,
                       const skin::SkinDescription& description);
    void makeHeadings();

    const int number_;
    const layout::Window& table_;
    bool created_ = false;
    bool shown_ = false;
    QImage background_;
    layout::Placements<QWidget> controls_;
    std::vector<std::pair<const char*, QWidget*>> headings_;
    std::vector<QWidget*> labels_;  // headings and the page's own labels
};

}  // namespace panel
