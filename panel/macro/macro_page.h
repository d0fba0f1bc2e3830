#pragma once
// MacroPage: the macro page of the configuration window. Its buttons come from its layout table
// like every page's; the page makes its own controls (the event list, the delay and loop fields,
// the count line and the note line), keeps the MacroEditor in step with them, and after every
// change writes the macro file and has the model tell the service (1300 with the macro's slot). A
// save that fails is reported in a "Warning" box.
//
// Capture: the window's plugin reports keys (2258) and buttons (5121) while the hooks are enabled
// (from Record or "Record here" to Stop). Where the plugin cannot capture (no X display, a Wayland
// session, no plugin) the page records the keys and buttons that reach the window instead and its
// note line says so.
//
// Macros as a whole (new, rename, delete, import, export, the name list) go through
// macro::MacroLibrary; after a rename or delete the model reloads the settings (the library
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
#include "panel/pages/page.h"
#include "shared/macro_library.h"
#include "skin/bitmap_menu.h"
#include "skin/colour_edit.h"

namespace skin {
class CClrEdit;
class CListBoxEx;
class CStaticTrans;
}  // namespace skin

namespace panel {

struct PanelPaths;

// Messages the page takes from the window.
inline constexpr uint32_t kHookKey = 2258;    // 0x08D2
inline constexpr uint32_t kHookMouse = 5121;  // 0x1401
inline constexpr uint32_t kLoopFieldChanged = skin::kEditKeyReleased;  // a key released in a field of the page

class MacroPage : public QObject, public Page {
    Q_OBJECT
public:
    explicit MacroPage(PageHost& host);
    ~MacroPage() override;

    // Recording takes the window's own key and button events (no plugin capture).
    void setWindowCapture(bool on);
    bool windowCapture() const { return windowCapture_; }
    // The capture plugin's key and mouse hooks, on or off.
    void setHookSwitch(std::function<void(bool)> enableHooks) { enableHooks_ = std::move(enableHooks); }

    // The page shows the macros, not the settings record.
    void refresh(const PanelModel&) override {}
    // The page became current: delay mode 0, the current macro (the first when none) loaded with
    // its loop count, the controls enabled as the state allows.
    void becameCurrent() override;
    // A notice from the service while the page is current: the macro is reloaded from its file
    // unless a recording runs.
    void serviceNotice() override;
    bool holdsProfileCommands() const override { return true; }

    // A MacroCommand or MacroName button was pressed.
    bool command(const layout::Control& control) override;
    // The page's numbered messages (capture, list, fields, name menu); true when the page took it.
    bool onMessage(uint32_t message, int64_t wParam, int64_t lParam) override;
    // A choice of the event list's menu (the item number 40001..40027).
    void menuChosen(int64_t choice) override;

    macro::MacroEditor& editor() { return editor_; }
    const std::string& currentName() const { return name_; }
    skin::CListBoxEx* list() const { return list_; }
    skin::CBmpMenu* eventMenu() const { return eventMenu_; }
    QWidget* nameMenu() const { return nameMenu_; }
    QString infoText() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The event list (with the count and note lines) and the delay and loop fields.
    QWidget* makeControl(const layout::Control& control) override;

private:
    QString text(const char* key, const char* section = "BUTTONPAGE") const;
    void makeCurrent(const std::string& name);  // loads the file, its loop count, the list
    void reloadCurrent();                       // the current macro again (the first when it went)
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

    const PanelPaths& paths_;
    const StringTable& strings_;
    std::function<void(bool)> enableHooks_;
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
