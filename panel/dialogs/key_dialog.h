#pragma once
// CBaseKeyPressDlg: a dialog that turns the key presses and releases reaching it into a key list
// (KeyCapture). Its filter sees every key event meant for the dialog's controls: Tab, Enter, Esc,
// Right, Down and Print Screen are captured and then handled as usual (Tab moves the focus, Enter
// presses the focused button or OK, Esc cancels); Space is captured and consumed, so it never
// presses a button; the Windows and Apps keys are never captured; held keys are captured once.
//
// CKeyExDlg: the key a button sends (code 5), in single-key mode: only the last pressed key stays.
// Opening a button that holds code 5 shows its stored key highlighted; the first key pressed
// replaces it (no highlight). OK is enabled once the list holds a key; it writes byte 1 = 5,
// byte 2 = 1, byte 3 = 1, bytes 4..123 (byte 4 = 0, byte 5 = the key's HID usage). Keys typed while
// an edit field of the dialog has the focus are not captured.
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
    CKeyExDlg(const DialogContext& context, QWidget* parent = nullptr);

    CMorvikMacroDisplay* display() const { return display_; }
    // What the display shows ("A ", "RCtrl ", "" before any key).
    QString keyText() const;

protected:
    void captureKey(uint32_t virtualKey, uint32_t flags, bool released) override;
    void accept() override;
    void showEvent(QShowEvent* event) override;

private:
    void showKeys(bool highlight);

    CMorvikMacroDisplay* display_ = nullptr;
};

}  // namespace dialogs
