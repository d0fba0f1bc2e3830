#pragma once
// CBaseKeyPressDlg: a dialog that turns the key presses and releases reaching it into a key list
// (KeyCapture). Its filter sees every key event meant for the dialog's controls: Tab, Enter, Esc,
// Right, Down and Print Screen are captured and then handled as usual (Tab moves the focus, Enter
// presses the focused button or OK, Esc cancels); Space is captured and consumed, so it never
// presses a button; the Windows and Apps keys are never captured; held keys are captured once.
//
// CKeyExDlg: the key a button sends (code 5), in single-key mode: only the last pressed key stays.
// Opening a button that holds code 5 shows its stored key highlighted; the first key pressed
// replaces it (no highlight). OK is enabled once the list holds a key; value() is then the one
// press the assignment step stores. Keys typed while an edit field of the dialog has the focus are
// not captured.
#include "panel/dialogs/key_capture.h"
#include "panel/dialogs/skin_dialog.h"

namespace dialogs {

class CMorvikMacroDisplay;

class CBaseKeyPressDlg : public CSkinDialog {
    Q_OBJECT
public:
    CBaseKeyPressDlg(const DialogContext& context, const layout::Window& window, const char* titleKey,
                     QWidget* parent, bool singleKey);

    const KeyCapture& keys() const { return capture_; }

protected:
    bool filterKey(QKeyEvent* event) override;
    // The capture step: a key press or release with its message flags.
    virtual void captureKey(uint32_t virtualKey, uint32_t flags, bool released) = 0;

    KeyCapture capture_;
};

class CKeyExDlg : public CBaseKeyPressDlg {
    Q_OBJECT
public:
    CKeyExDlg(const DialogContext& context, const ButtonRecord& current, QWidget* parent = nullptr);

    assignment::KeyList value() const { return capture_.keyList(); }

    CMorvikMacroDisplay* display() const { return display_; }
    // What the display shows ("A ", "RCtrl ", "" before any key).
    QString keyText() const;
    void accept() override;

protected:
    void captureKey(uint32_t virtualKey, uint32_t flags, bool released) override;
    void showEvent(QShowEvent* event) override;

private:
    void showKeys(bool highlight);

    CMorvikMacroDisplay* display_ = nullptr;
};

}  // namespace dialogs
