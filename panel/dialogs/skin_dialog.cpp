#include "panel/dialogs/skin_dialog.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWindow>

#include "panel/layout/dialog_layout.h"
#include "shared/string_table.h"
#include "skin/bitmap_button.h"
#include "skin/colour_edit.h"
#include "skin/skin_description.h"
#include "skin/static_trans.h"

namespace dialogs {
namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

// Edit fields sit inside the inset panels the pictures paint for them, in the panels' colour.
constexpr uint32_t kFieldBackground = 0x120F0D;
constexpr uint32_t kCaptionColour = 0xD2D2D2;

static_assert(kDialogOk == QDialog::Accepted && kDialogCancel == QDialog::Rejected);

// The dialog's skinned surface: it paints the picture, holds the controls and hands their numbered
// messages to the dialog.
class Surface : public skin::SkinnedWindow {
public:
    explicit Surface(CSkinDialog& dialog) : skin::SkinnedWindow(&dialog), dialog_(dialog) {}
    int64_t onMessage(uint32_t message, int64_t wParam, int64_t lParam) override {
        return dialog_.onMessage(message, wParam, lParam);
    }

private:
    CSkinDialog& dialog_;
};

}  // namespace

CSkinDialog::CSkinDialog(const DialogContext& context, const layout::Window& window, const char* titleKey,
                         QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), context_(context), window_(window) {
    const skin::SkinDescription description = skin::loadSkinDescription(context_.programFolder, window.skinFile);
    captions_ = description.captions;
    pictures_ = skin::StatePictures::load(context_.programFolder, description);
    surface_ = new Surface(*this);
    surface_->setBackgroundPicture(pictures_.normal);
    setFixedSize(surface_->size());

    title_ = new skin::CStaticTrans(surface_);
    title_->setTextColor(0xFFFFFF);
    title_->setFontHeight(15);
    title_->setFontWeight(600);
    title_->setText(text(titleKey));
    const layout::Rect t = layout::dialogTitleArea(window);
    title_->setGeometry(t.left, t.top, t.width(), t.height());
    setWindowTitle(title_->text());
    setAccessibleName(title_->text());

    connect(addButton(layout::Role::DialogOk), &QAbstractButton::clicked, this, [this] { accept(); });
    connect(addButton(layout::Role::DialogCancel), &QAbstractButton::clicked, this, [this] { reject(); });
    skin::CBitmapBtn* close = addButton(layout::Role::DialogClose);
    close->setAccessibleName(text("CLOSE"));
    connect(close, &QAbstractButton::clicked, this, [this] { reject(); });
}

CSkinDialog::~CSkinDialog() = default;

QString CSkinDialog::text(const char* key, const char* section) const {
    return qs(lookupString(context_.stringsPath, section, key));
}

QString CSkinDialog::caption(int id) const {
    auto it = captions_.find(id);
    return it == captions_.end() ? QString() : qs(it->second);
}

QString CSkinDialog::title() const { return title_->text(); }

void CSkinDialog::setTitle(const QString& title) {
    title_->setText(title);
    setWindowTitle(title);
    setAccessibleName(title);
}

const layout::Control* CSkinDialog::placeOf(layout::Role role, int index) const { return layout::find(window_, role, index); }

QRect CSkinDialog::rectOf(layout::Role role, int index) const {
    const layout::Control* c = placeOf(role, index);
    return c ? QRect(c->rect.left, c->rect.top, c->rect.width(), c->rect.height()) : QRect();
}

void CSkinDialog::place(layout::Role role, int index, QWidget* widget) { placed_.add(placeOf(role, index), widget); }

QWidget* CSkinDialog::control(layout::Role role, int index) const { return placed_.find(role, index); }

skin::CBitmapBtn* CSkinDialog::button(layout::Role role, int index) const {
    return qobject_cast<skin::CBitmapBtn*>(control(role, index));
}

skin::CBitmapBtn* CSkinDialog::addButton(layout::Role role, int index) {
    auto* b = new skin::CBitmapBtn(surface_);
    const QRect r = rectOf(role, index);
    b->setGeometry(r);
    b->setImages(r.x(), r.y(), r.width(), r.height(), pictures_.normal, pictures_.over, pictures_.down,
                 pictures_.disabled);
    if (const layout::Control* c = placeOf(role, index)) {
        b->setCaption(caption(c->id), c->captionOffset);
        b->setToggleMode(c->toggles);
    }
    place(role, index, b);
    return b;
}

skin::CClrEdit* CSkinDialog::addEdit(layout::Role role, int index, int maxLength, const QString& accessibleName) {
    auto* edit = new skin::CClrEdit(surface_);
    edit->setGeometry(rectOf(role, index).adjusted(6, 3, -6, -3));
    edit->setBackgroundColor(kFieldBackground);
    edit->setFontHeight(15);
    edit->setAlignment(Qt::AlignCenter);
    edit->setMaxLength(maxLength);
    edit->setAccessibleName(accessibleName);
    if (const layout::Control* c = placeOf(role, index)) edit->setIdentifier(c->id);
    QPalette p = edit->palette();
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x8a, 0x90, 0x99));
    p.setColor(QPalette::Highlight, QColor(0xc8, 0xa4, 0x00));
    p.setColor(QPalette::HighlightedText, QColor(0x0b, 0x0c, 0x0f));
    edit->setPalette(p);
    place(role, index, edit);
    return edit;
}

skin::CStaticTrans* CSkinDialog::addCaption(int index) {
    auto* label = new skin::CStaticTrans(surface_);
    label->setTextColor(kCaptionColour);
    label->setFontHeight(14);
    label->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    label->setGeometry(rectOf(layout::Role::FieldCaption, index));
    if (const layout::Control* c = placeOf(layout::Role::FieldCaption, index)) label->setText(caption(c->id));
    place(layout::Role::FieldCaption, index, label);
    return label;
}

skin::CStaticTrans* CSkinDialog::addPrompt(const QString& text) {
    auto* prompt = new skin::CStaticTrans(surface_);
    prompt->setTextColor(kCaptionColour);
    prompt->setFontHeight(14);
    prompt->setText(text);
    prompt->setGeometry(rectOf(layout::Role::Prompt));
    place(layout::Role::Prompt, 0, prompt);
    return prompt;
}

void CSkinDialog::orderTabs() {
    // The table lists every dialog's fields first, then OK, Cancel and close.
    std::vector<QWidget*> order;
    for (const layout::Control& c : window_.controls)
        if (QWidget* w = placed_.find(c); w != nullptr && w->focusPolicy() & Qt::TabFocus) order.push_back(w);
    for (size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

int64_t CSkinDialog::onMessage(uint32_t, int64_t, int64_t) { return 0; }

void CSkinDialog::showEvent(QShowEvent* event) {
    orderTabs();
    // Keys reach the dialog's window first, once each, and are then handed to the focused control.
    if (QWindow* window = windowHandle()) window->installEventFilter(this);
    QDialog::showEvent(event);
}

bool CSkinDialog::eventFilter(QObject* watched, QEvent* event) {
    const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease;
    // An open popup menu takes the keys for itself.
    if (key && watched == windowHandle() && QApplication::activePopupWidget() == nullptr)
        return filterKey(static_cast<QKeyEvent*>(event));
    return QDialog::eventFilter(watched, event);
}

bool CSkinDialog::filterKey(QKeyEvent* event) {
    const bool returnKey = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
                           event->key() == Qt::Key_Escape;
    return swallowReturnKeys_ && returnKey;
}

void CSkinDialog::keyPressEvent(QKeyEvent* event) {
    // QDialog presses a default push button on Enter; here OK is a skinned button. Esc is QDialog's.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (skin::CBitmapBtn* ok = button(layout::Role::DialogOk); ok != nullptr && ok->isEnabled()) ok->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CSkinDialog::mousePressEvent(QMouseEvent* event) {
    // The borderless dialog moves by its whole surface, through the window system.
    if (event->button() == Qt::LeftButton && windowHandle() != nullptr) windowHandle()->startSystemMove();
    QDialog::mousePressEvent(event);
}

}  // namespace dialogs
