#pragma once
// MacroPage: the macro page of the configuration window. The window places the page's buttons from
// its layout table and hands the page their commands and its numbered messages; the page makes its
// own controls (the event list, the delay and loop fields, the count line and the note line),
// keeps the MacroEditor in step with them, and after every change writes the macro file and posts
// 1300 with the macro's slot to the service. A save that fails is reported in a "Warning" box.
//
// Capture: the window's plugin reports keys (2258) and buttons (5121) while the hooks are enabled
// (from Record or "Record here" to Stop). Where the plugin cannot capture (no X display, a Wayland
// session, no plugin) the page records the keys and buttons that reach the window instead and its
// note line says so.
//
// Macros as a whole (new, rename, delete, import, export, the name list) go through
// macro::MacroLibrary; after a rename or delete the window reloads its settings (the library
// changed the buttons that name macros) and tells the service (1279).
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "panel/layout/window_layout.h"
#include "panel/macro/macro_editor.h"
#include "shared/macro_library.h"
#include "skin/bitmap_menu.h"

class StringTable;
class QLineEdit;

namespace skin {
class CBitmapBtn;
class CClrEdit;
class CListBoxEx;
class CStaticTrans;
class SkinnedWindow;
}  // namespace skin

namespace panel {

class ServiceMessenger;
struct PanelPaths;

// Messages the page takes from the window.
inline constexpr uint32_t kHookKey = 2258;    // 0x08D2
inline constexpr uint32_t kHookMouse = 5121;  // 0x1401
inline constexpr uint32_t kLoopFieldChanged = 5122;  // 0x1402, from the page's edit fields

// What the page needs of its window.
struct MacroPageHost {
    std::function<void(const QString&)> warn;      // a "Warning" box with OK
    std::function<bool(const QString&)> confirm;   // a "Warning" box with OK and Cancel
    std::function<void()> macroListChanged;        // after rename/delete: reload, labels, 1279
    std::function<void(bool)> enableHooks;         // the plugin's key and mouse hooks
    std::function<skin::CBitmapBtn*(layout::Role, int)> button;  // the page's buttons
};

class MacroPage : public QObject {
    Q_OBJECT
public:
    MacroPage(skin::SkinnedWindow& window, const PanelPaths& paths, const StringTable& strings,
              ServiceMessenger& service, MacroPageHost host);
    ~MacroPage() override;

    // The page's own control for a table entry (event list, delay and loop fields); nullptr for
    // the others, which the window makes. The count and note lines come with the list.
    QWidget* createControl(const layout::Control& control);
    // Labels the window shows and hides with the page.
    std::vector<QWidget*> labels() const;

    // Recording takes the window's own key and button events (no plugin capture).
    void setWindowCapture(bool on);
    bool windowCapture() const { return windowCapture_; }

    // The page became current: delay mode 0, the current macro (the first when none) loaded with
    // its loop count, the controls enabled as the state allows.
    void shown();
    // The window enabled every control again (a notice redraw): the page's own states return;
    // nothing is reloaded, a recording goes on.
    void restoreStates();
    // A notice from the service while the page is current: the macro is reloaded from its file
    // unless a recording runs.
    void serviceNotice();

    // A MacroCommand or MacroName button was pressed.
    void command(layout::Role role, int index);
    // The window's numbered messages; true when the page took it.
    bool onMessage(uint32_t message, int64_t wParam, int64_t lParam);
    // A choice of the event list's menu (the item number 40001..40027).
    void menuChosen(int number);

    macro::MacroEditor& editor() { return editor_; }
    const std::string& currentName() const { return name_; }
    skin::CListBoxEx* list() const { return list_; }
    skin::CBmpMenu* eventMenu() const { return eventMenu_; }
    QWidget* nameMenu() const { return nameMenu_; }
    QString infoText() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString text(const char* key, const char* section = "BUTTONPAGE") const;
    void makeCurrent(const std::string& name);  // loads the file, its loop count, the list
    void showItems();
    void refreshInfo();
    void applyStates();
    bool saveAndNotify();
    void startRecording(bool insert);
    void stopRecording();
    void openNames();
    void openEventMenu(const QPoint& globalPosition);
    void editItem(uint32_t message, int index);
    void newMacro();
    void renameMacro();
    void deleteMacro();
    void importMacro();
    void exportMacro();
    QString chooseMacroFile(bool forSaving);
    void takeFields();
    bool onStopButton() const;

    skin::SkinnedWindow& window_;
    const PanelPaths& paths_;
    const StringTable& strings_;
    ServiceMessenger& service_;
    MacroPageHost host_;
    macro::MacroLibrary library_;
    macro::MacroEditor editor_;
    macro::LoopSetting loop_;
    std::string name_;
    bool windowCapture_ = false;
    skin::CListBoxEx* list_ = nullptr;
    skin::CClrEdit* delayField_ = nullptr;
    skin::CClrEdit* loopField_ = nullptr;
    skin::CStaticTrans* info_ = nullptr;
    skin::CStaticTrans* note_ = nullptr;
    skin::CStaticTrans* delayUnit_ = nullptr;  // "ms" beside the delay field
    QPointer<skin::CBmpMenu> eventMenu_;
    QPointer<QWidget> nameMenu_;
};

}  // namespace panel
