#include "panel/dialogs/skin_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
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

}  // namespace

CSkinDialog::CSkinDialog(const DialogContext& context, const layout::Window& window, const char* titleKey,
                         QWidget* parent)
    : skin::SkinnedWindow(parent, Qt::Dialog | Qt::FramelessWindowHint), context_(context), window_(window) {
    const skin::SkinDescription description = skin::loadSkinDescription(context_.programFolder, window.skinFile);
    captions_ = description.captions;
    pictures_ = skin::StatePictures::load(context_.programFolder, description);
    setBackgroundPicture(pictures_.normal);
    setFixedSize(size());

    title_ = new skin::CStaticTrans(this);
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

CSkinDialog::~CSkinDialog() {
    if (filtering_) qApp->removeEventFilter(this);
    // Deleted while exec() waits (by its parent, say): exec() returns kDialogCancel.
    if (loop_ != nullptr) loop_->exit();
}

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
    auto* b = new skin::CBitmapBtn(this);
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
    auto* edit = new skin::CClrEdit(this);
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
    auto* label = new skin::CStaticTrans(this);
    label->setTextColor(kCaptionColour);
    label->setFontHeight(14);
    label->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    label->setGeometry(rectOf(layout::Role::FieldCaption, index));
    if (const layout::Control* c = placeOf(layout::Role::FieldCaption, index)) label->setText(caption(c->id));
    place(layout::Role::FieldCaption, index, label);
    return label;
}

skin::CStaticTrans* CSkinDialog::addPrompt(const QString& text) {
    auto* prompt = new skin::CStaticTrans(this);
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

void CSkinDialog::accept() { done(kDialogOk); }
void CSkinDialog::reject() { done(kDialogCancel); }

void CSkinDialog::done(int result) {
    result_ = result;
    ending_ = true;
    hide();
    ending_ = false;
}

void CSkinDialog::placeOverParent() {
    const QWidget* over = parentWidget() != nullptr ? parentWidget()->window() : nullptr;
    QRect area = over != nullptr && over->isVisible() ? over->frameGeometry() : QRect();
    if (area.isEmpty() && screen() != nullptr) area = screen()->availableGeometry();
    if (!area.isEmpty()) move(area.center() - QPoint(width() / 2, height() / 2));
}

int CSkinDialog::exec() {
    if (loop_ != nullptr) return kDialogCancel;
    result_ = kDialogCancel;
    setWindowModality(Qt::ApplicationModal);
    placeOverParent();
    show();
    raise();
    activateWindow();
    QEventLoop loop;
    loop_ = &loop;
    QPointer<CSkinDialog> alive(this);
    if (isVisible()) loop.exec(QEventLoop::DialogExec);
    if (alive.isNull()) return kDialogCancel;
    loop_ = nullptr;
    setWindowModality(Qt::NonModal);
    return result_;
}

void CSkinDialog::showEvent(QShowEvent* event) {
    orderTabs();
    if (!filtering_) {
        qApp->installEventFilter(this);
        filtering_ = true;
    }
    skin::SkinnedWindow::showEvent(event);
}

void CSkinDialog::hideEvent(QHideEvent* event) {
    if (filtering_) {
        qApp->removeEventFilter(this);
        filtering_ = false;
    }
    // Hidden by anyone but done(): the dialog ends as cancelled.
    if (!ending_) result_ = kDialogCancel;
    if (loop_ != nullptr) loop_->exit();
    skin::SkinnedWindow::hideEvent(event);
}

void CSkinDialog::closeEvent(QCloseEvent* event) {
    if (!ending_) result_ = kDialogCancel;
    event->accept();
}

bool CSkinDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
    auto* target = qobject_cast<QWidget*>(watched);
    if (target == nullptr || (target != this && !isAncestorOf(target))) return false;
    // A key event goes to the focused control first and then, while ignored, to its parents; the
    // dialog looks at it once, at its first receiver.
    auto* key = static_cast<QKeyEvent*>(event);
    if (key == lastKey_.event && key->type() == lastKey_.type && key->key() == lastKey_.key &&
        target != lastKey_.target && target->isAncestorOf(lastKey_.target))
        return false;
    lastKey_ = {key, key->type(), key->key(), target};
    return filterKey(key);
}

bool CSkinDialog::filterKey(QKeyEvent* event) {
    const bool returnKey = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
                           event->key() == Qt::Key_Escape;
    return swallowReturnKeys_ && returnKey;
}

void CSkinDialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (skin::CBitmapBtn* ok = button(layout::Role::DialogOk); ok != nullptr && ok->isEnabled()) ok->click();
        return;
    case Qt::Key_Escape: reject(); return;
    default: skin::SkinnedWindow::keyPressEvent(event);
    }
}

void CSkinDialog::mousePressEvent(QMouseEvent* event) {
    // The borderless dialog moves by its whole surface, through the window system.
    if (event->button() == Qt::LeftButton && windowHandle() != nullptr) windowHandle()->startSystemMove();
    skin::SkinnedWindow::mousePressEvent(event);
}

}  // namespace dialogs
