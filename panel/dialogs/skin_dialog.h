#pragma once
// CSkinDialog: the base of the skinned dialogs. A borderless QDialog whose picture and controls come
// from one of the dialog tables (panel/layout/dialog_layout.h) and its skin description file, its
// title from the strings file. OK, Cancel and the close button are made here; each dialog adds its
// fields.
//
// The picture is painted by the dialog's surface, a SkinnedWindow that fills the dialog and holds
// every control: the controls' numbered messages reach onMessage() through it. Modality, the
// result and the end of exec() are QDialog's: a dialog closed or hidden from outside (the main
// window closes every modal widget when the service goes away) ends with kDialogCancel.
//
// Keyboard: Tab moves through the controls in the order of the table; Enter presses OK and Esc
// Cancel, unless a dialog swallows them (then only the buttons close it). Every key pressed in the
// dialog is shown to filterKey() before the focused control sees it.
#include <QDialog>

#include <map>
#include <string>
#include <vector>

#include "panel/dialogs/dialog_context.h"
#include "panel/layout/placements.h"
#include "panel/layout/window_layout.h"
#include "skin/skin_image.h"
#include "skin/skinned_window.h"

class QKeyEvent;

namespace skin {
class CBitmapBtn;
class CClrEdit;
class CStaticTrans;
}  // namespace skin

namespace dialogs {

class CSkinDialog : public QDialog {
    Q_OBJECT
public:
    CSkinDialog(const DialogContext& context, const layout::Window& window, const char* titleKey, QWidget* parent);
    ~CSkinDialog() override;

    // The control placed for that role and index, or nullptr.
    QWidget* control(layout::Role role, int index = 0) const;
    skin::CBitmapBtn* button(layout::Role role, int index = 0) const;
    QString title() const;
    // A title that is not one fixed key of the strings file.
    void setTitle(const QString& title);

    // The numbered messages of the dialog's controls (menu choices, slider moves, ...).
    virtual int64_t onMessage(uint32_t message, int64_t wParam, int64_t lParam);

protected:
    // Key presses and releases meant for this dialog, before its controls see them; true consumes
    // the event. The base swallows Enter and Esc when asked to.
    virtual bool filterKey(QKeyEvent* event);
    void setSwallowReturnKeys(bool swallow) { swallowReturnKeys_ = swallow; }

    const DialogContext& context() const { return context_; }
    // The skinned window every control of the dialog lies on (the owner of its popup menus).
    skin::SkinnedWindow* surface() const { return surface_; }
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
    void mousePressEvent(QMouseEvent* event) override;

private:
    void orderTabs();

    DialogContext context_;
    const layout::Window& window_;
    skin::StatePictures pictures_;
    std::map<int, std::string> captions_;
    skin::SkinnedWindow* surface_ = nullptr;
    skin::CStaticTrans* title_ = nullptr;
    layout::Placements<QWidget> placed_;
    bool swallowReturnKeys_ = false;
};

}  // namespace dialogs
