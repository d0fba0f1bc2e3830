#pragma once
// CSkinDialog: the base of the function dialogs. A modal, borderless, skinned window: its picture
// and controls come from one of the dialog tables (panel/layout/dialog_layout.h) and its skin
// description file, its title from the strings file. OK, Cancel and the close button are made here;
// each dialog adds its fields.
//
// exec() shows the dialog application-modal over its parent and returns kDialogOk or
// kDialogCancel. It ends with kDialogCancel whenever the dialog is closed or hidden from outside
// (the main window closes every modal widget when the service goes away).
//
// Keyboard: Tab moves through the controls in the order of the table; Enter presses OK and Esc
// Cancel, unless a dialog swallows them (then only the buttons close it).
#include <QPointer>

#include <map>
#include <string>
#include <vector>

#include "panel/dialogs/dialog_context.h"
#include "panel/layout/placements.h"
#include "panel/layout/window_layout.h"
#include "skin/skin_image.h"
#include "skin/skinned_window.h"

class QEventLoop;
class QKeyEvent;

namespace skin {
class CBitmapBtn;
class CClrEdit;
class CStaticTrans;
}  // namespace skin

namespace dialogs {

class CSkinDialog : public skin::SkinnedWindow {
    Q_OBJECT
public:
    CSkinDialog(const DialogContext& context, const layout::Window& window, const char* titleKey, QWidget* parent);
    ~CSkinDialog() override;

    int exec();
    // Ends the dialog (and exec()) with that result.
    void done(int result);
    int resultCode() const { return result_; }

    // The control placed for that role and index, or nullptr.
    QWidget* control(layout::Role role, int index = 0) const;
    skin::CBitmapBtn* button(layout::Role role, int index = 0) const;
    QString title() const;
    // A title that is not one fixed key of the strings file.
    void setTitle(const QString& title);

    int64_t onMessage(uint32_t message, int64_t wParam, int64_t lParam) override;

protected:
    // OK: done(kDialogOk); Cancel and close: done(kDialogCancel).
    virtual void accept();
    virtual void reject();
    // Key presses and releases meant for this dialog's controls, before they reach them; true
    // consumes the event. The base swallows Enter and Esc when asked to.
    virtual bool filterKey(QKeyEvent* event);
    void setSwallowReturnKeys(bool swallow) { swallowReturnKeys_ = swallow; }

    const DialogContext& context() const { return context_; }
    // The button record the dialog edits; nullptr when the context names none.
    ButtonRecord* record() const { return contextRecord(context_); }
    QString text(const char* key, const char* section = "MAIN") const;
    QString caption(int id) const;
    const layout::Control* placeOf(layout::Role role, int index = 0) const;
    QRect rectOf(layout::Role role, int index = 0) const;

    // Controls at their table places, remembered for control() and the Tab order.
    skin::CBitmapBtn* addButton(layout::Role role, int index = 0);
    skin::CClrEdit* addEdit(layout::Role role, int index, int maxLength, const QString& accessibleName);
    skin::CStaticTrans* addCaption(int index);
    skin::CStaticTrans* addPrompt(const QString& text);
    void place(layout::Role role, int index, QWidget* widget);

    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void placeOverParent();
    void orderTabs();

    DialogContext context_;
    const layout::Window& window_;
    skin::StatePictures pictures_;
    std::map<int, std::string> captions_;
    skin::CStaticTrans* title_ = nullptr;
    layout::Placements<QWidget> placed_;
    QEventLoop* loop_ = nullptr;
    int result_ = kDialogCancel;
    bool ending_ = false;
    bool swallowReturnKeys_ = false;
    bool filtering_ = false;
    struct LastKey {
        const QEvent* event = nullptr;
        int type = 0;
        int key = 0;
        QPointer<QWidget> target;
    } lastKey_;
};

}  // namespace dialogs
