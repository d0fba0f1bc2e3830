#include "panel/main_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include "panel/pages/start_page.h"
#include "panel/state_strip.h"
#include "platform/atomic_file.h"
#include "platform/diagnostics.h"
#include "platform/focus_watch.h"
#include "platform/known_folders.h"
#include "shared/window_messages.h"
#include "panel/dialogs/prompts.h"
#include "skin/bitmap_button.h"
#include "skin/skin_description.h"
#include "skin/skin_image.h"
#include "skin/static_trans.h"

namespace panel {

namespace {

using layout::Role;

// Remote commands of message 1034 (lParam).
constexpr int64_t kRemoteResetProfile = 11;
constexpr int64_t kRemoteApply = 12;
constexpr int64_t kRemoteHelp = 22;

QString qs(const std::string& text) { return QString::fromStdString(text); }

// The frame's controls: shown on every page, its commands the window's own.
class FramePage : public Page {
public:
    explicit FramePage(PageHost& host) : Page(host, 0, layout::mainFrame()) {}
    void refresh(const PanelModel&) override {}
};

// The page a tab leads to; 0 for a control that is no tab.
int tabTarget(Role role) {
    switch (role) {
        case Role::TabButtons: return layout::kButtonPage;
        case Role::TabMacro: return layout::kMacroPage;
        case Role::TabLighting: return layout::kLightingPage;
        case Role::TabDpi: return layout::kDpiPage;
        case Role::TabHome: return layout::kStartPage;
        default: return 0;
    }
}

}  // namespace

CMocfgDlg::CMocfgDlg(PanelModel& model, ServiceMessenger& service, QWidget* parent)
    : skin::SkinnedWindow(parent), model_(model), service_(service), strings_(model.paths().stringsPath) {
    setWindowFlags(Qt::FramelessWindowHint | Qt::Window);
    setAttribute(Qt::WA_OpaquePaintEvent);
    pages_.setDesktopPointer(platform::waylandSession());
}

CMocfgDlg::~CMocfgDlg() = default;

QString CMocfgDlg::text(const char* key, const char* section) const { return qs(strings_.lookup(section, key)); }

void CMocfgDlg::initialise() {
    skin::setFontFace(text("FONT"));
    const layout::Window& frame = layout::mainFrame();
    setFixedSize(frame.width, frame.height);
    // The frame's pictures are the start page's. The window is shown in its normal picture first;
    // the pictures of the other states (hover, pressed, disabled) follow once it has been painted.
    const std::string& folder = model_.paths().programFolder;
    const skin::SkinDescription description = skin::loadSkinDescription(folder, frame.skinFile);
    skin::StatePictures pictures;
    pictures.normal = skin::SkinImage::load(qs(skin::skinImagePath(folder, description.main)));
    pictures.over = pictures.down = pictures.disabled = pictures.normal;
    frameBackground_ = pictures.normal.image();
    PageHost& host = *this;
    frame_ = std::make_unique<FramePage>(host);
    frame_->create(pictures, description);
    auto start = std::make_unique<StartPage>(host);
    start->create(pictures, description);
    pages_.add(std::move(start));

    pageTitle_ = new skin::CStaticTrans(this);
    pageTitle_->setTextColor(skin::colour::kAccent);
    pageTitle_->setFontHeight(20);
    pageTitle_->setFontWeight(600);
    strip_ = new StateStrip(*this, model_, service_, strings_, [this](const QString& hint) {
        static_cast<StartPage&>(pages_.page(layout::kStartPage)).setHint(hint);
    });

    model_.load();
    setWindowTitle(QString::fromLatin1(title::kPanel));
    setAccessibleName(QString::fromLatin1(title::kPanel));
    showPage(layout::kStartPage);
    refresh();
    strip_->watch();
    updateState();
}

void CMocfgDlg::completeFramePictures() {
    if (framePicturesComplete_ || frame_ == nullptr) return;
    framePicturesComplete_ = true;
    const std::string& folder = model_.paths().programFolder;
    const skin::StatePictures pictures = skin::StatePictures::load(
        folder, skin::loadSkinDescription(folder, layout::mainFrame().skinFile), skin::SkinImage(frameBackground_));
    frame_->recut(pictures);
    pages_.page(layout::kStartPage).recut(pictures);
}

MacroPage* CMocfgDlg::macroPage() const { return pages_.macroPage(); }

QWidget* CMocfgDlg::control(Role role, int index) {
    if (QWidget* w = frame_ != nullptr ? frame_->control(role, index) : nullptr) return w;
    if (Page* p = current(); p != nullptr && p->control(role, index) != nullptr) return p->control(role, index);
    return pages_.control(role, index);
}

skin::CBitmapBtn* CMocfgDlg::button(Role role, int index) {
    return qobject_cast<skin::CBitmapBtn*>(control(role, index));
}

void CMocfgDlg::showPage(int number) {
    if (number == page_) return;
    Page& next = pages_.page(number);
    number = next.number();
    if (number != layout::kStartPage) completeFramePictures();  // the frame's disabled commands show it
    // The control that had the focus may be hidden now; the window takes it, rather than Qt handing
    // it (and a keyboard focus ring) to whichever control comes next.
    if (QWidget* focused = focusWidget(); focused != nullptr && focused != this) setFocus(Qt::OtherFocusReason);
    if (Page* old = current()) old->setShown(false);
    page_ = number;
    frame_->setShown(true);
    next.setShown(true);
    // The macro page works on its own files: profile files and resets wait until it is left.
    for (Role r : {Role::Import, Role::Export, Role::Reset})
        if (QWidget* w = frame_->control(r)) w->setEnabled(!next.holdsProfileCommands());
    const char* titleKey = layout::pageWindow(number).titleKey;
    pageTitle_->setText(titleKey != nullptr ? text(titleKey) : QString());
    const layout::Rect r = layout::pageTitleArea(number);
    pageTitle_->setGeometry(r.left, r.top, r.width(), r.height());
    pageTitle_->setVisible(titleKey != nullptr);
    next.refresh(model_);
    next.becameCurrent();
    update();
}

void CMocfgDlg::setDesktopPointerSettings(bool desktop) { pages_.setDesktopPointer(desktop); }

void CMocfgDlg::setHooks(std::function<void(bool)> enable, bool windowCapture) {
    pages_.setHooks(std::move(enable), windowCapture);
}

void CMocfgDlg::refresh() {
    model_.followMacroList();
    pages_.refresh(model_);
}

void CMocfgDlg::clicked(Page& page, const layout::Control& c) {
    if (const int target = tabTarget(c.role)) {
        showPage(target);
    } else if (&page == frame_.get()) {
        frameCommand(c);
    } else if (page.command(c)) {
        saveOrSay();
        refresh();
    }
}

void CMocfgDlg::frameCommand(const layout::Control& c) {
    switch (c.role) {
        case Role::Close: close(); return;
        case Role::Minimize: showMinimized(); return;
        case Role::Help: openHelp(); return;
        case Role::WebLink: QDesktopServices::openUrl(QUrl(text("WEBSITE"))); return;
        case Role::Reset:
            if (!confirm(text("WARN1", "BUTTONPAGE"))) return;
            model_.resetAll();
            break;
        case Role::Apply: model_.apply(); break;
        case Role::Reload:
            model_.reload();
            refresh();
            return;
        case Role::Export: exportProfile(); return;
        case Role::Import: importProfile(); return;
        default: return;
    }
    saveOrSay();
    refresh();
}

QString CMocfgDlg::chooseProfileFile(bool forSaving) {
    const dialogs::FileQuery query{text(forSaving ? "EXPORTTITLE" : "IMPORTTITLE"),
                                   qs(platform::parentFolder(model_.paths().settingsPath)), text("PROFILEFILTER"),
                                   QStringLiteral("prof"), {}};
    const QString file = forSaving ? dialogs::prompts().saveFile(this, query) : dialogs::prompts().openFile(this, query);
    return closingDown_ ? QString() : file;
}

void CMocfgDlg::exportProfile() {
    const QString file = chooseProfileFile(true);
    if (file.isEmpty()) return;
    if (!model_.exportProfile(file.toStdString())) {
        warn(text("NOEXPORT").arg(file));
    }
}

void CMocfgDlg::importProfile() {
    const QString file = chooseProfileFile(false);
    if (file.isEmpty()) return;
    std::string problem;
    if (!model_.importProfile(file.toStdString(), &problem)) {
        // A file that could be read says what is wrong with it.
        warn(problem.empty() ? text("NOIMPORT").arg(file)
                             : text("NOIMPORTVALUES").arg(file, QString::fromStdString(problem)));
        return;
    }
    saveOrSay();
    refresh();
}

void CMocfgDlg::saveOrSay() {
    // A change that could not be written is never passed off as done.
    if (model_.lastSaveFailed()) warn(text("NOSAVE"));
}

void CMocfgDlg::warn(const QString& message) {
    dialogs::prompts().tell(this, QMessageBox::Warning, text("WARNING"), message);
}

skin::CBmpMenu* CMocfgDlg::openPopup(QPoint corner, const std::vector<skin::MenuItem>& items,
                                     const skin::MenuPictures& pictures) {
    closePopup();
    popup_ = skin::CBmpMenu::open(this, corner, items, pictures);  // the pointer clears when it closes
    return popup_;
}

void CMocfgDlg::closePopup() {
    if (popup_ != nullptr) popup_->close();
    popup_ = nullptr;
}

bool CMocfgDlg::confirm(const QString& question) {
    const bool ok = dialogs::prompts().confirm(this, text("WARNING"), question);
    return !closingDown_ && ok;
}

void CMocfgDlg::openHelp() {
    const std::string page = platform::pathJoin(model_.paths().programFolder, "help/index.html");
    if (!platform::isReadableRegularFile(page) || !QDesktopServices::openUrl(QUrl::fromLocalFile(qs(page)))) {
        platform::debugPrintf("cfgpanel: cannot open the help %s", page.c_str());
        dialogs::prompts().tell(this, QMessageBox::Information, text("WARNING"), text("NOHELP"));
    }
}

int64_t CMocfgDlg::onMessage(uint32_t message, int64_t wParam, int64_t lParam) {
    if (closingDown_) return 0;
    switch (message) {
        case msg::kMouseChanged:
            model_.onMouseChanged(wParam, lParam);
            // Everything is shown anew; the macro page keeps a recording going.
            if (Page* p = current()) p->serviceNotice();
            refresh();
            updateState();
            update();
            return 0;
        case msg::kRemoteCommand:
            switch (lParam) {
                case kRemoteResetProfile:
                    model_.resetCurrentProfile();
                    update();
                    refresh();
                    return 0;
                case kRemoteApply: model_.apply(); return 0;
                case kRemoteHelp: openHelp(); return 0;
                case 18:
                case 20: return 0;
                default: return -1;
            }
        case msg::kReloadDpiStages:
            model_.reloadDpiStages();
            refresh();
            return 0;
        case msg::kBlankPage: showPage(layout::kBlankPage); return 0;
        case skin::kMenuChosen:
            popup_ = nullptr;
            if (Page* p = current()) p->menuChosen(lParam);
            return 0;
        case msg::kMouseUnplug: updateState(); return 0;
        case msg::kCounters: model_.takeCounters(); return 0;
        case msg::kWriteFailed:
            strip_->showWriteFailure(lParam, [this] {
                model_.apply();
                saveOrSay();
            });
            return 0;
        case msg::kShortcutState:
            strip_->setShortcutReach(static_cast<int>(wParam));
            strip_->setShown(page_ != layout::kBlankPage);
            return 0;
        case msg::kClose:
        case msg::kQuit:
            closeFromService();
            return 0;
        default:
            pages_.onMessage(message, wParam, lParam);  // the controls' own, to their page
            return 0;
    }
}

void CMocfgDlg::closeFromService() {
    // The service is going away: any message box or dialog opened from the window ends first
    // (its caller sees closingDown_ and does nothing), then the window closes.
    closingDown_ = true;
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (modal == this) break;
        modal->close();
        if (QApplication::activeModalWidget() == modal) modal->hide();
    }
    QWidget::close();
}

void CMocfgDlg::updateState() {
    if (strip_ == nullptr) return;
    strip_->update();
    strip_->setShown(page_ != layout::kBlankPage);
}

QMessageBox* CMocfgDlg::writeNotice() const { return strip_ != nullptr ? strip_->writeNotice() : nullptr; }
QString CMocfgDlg::stateText() const { return strip_ != nullptr ? strip_->stateText() : QString(); }
QString CMocfgDlg::shortcutText() const { return strip_ != nullptr ? strip_->shortcutText() : QString(); }

void CMocfgDlg::paintEvent(QPaintEvent*) {
    if (!painted_) {
        painted_ = true;
        platform::debugLine("cfgpanel: first window painted");
        QTimer::singleShot(0, this, [this] { completeFramePictures(); });
    }
    QPainter painter(this);
    const Page* shown = current();
    const QImage& picture = shown != nullptr && !shown->background().isNull() ? shown->background() : frameBackground_;
    if (picture.isNull()) {
        painter.fillRect(rect(), skin::fromColorRef(skin::colour::kWindowGround));
        return;
    }
    painter.drawImage(QRect(0, 0, width(), height()), picture);
    if (shown != nullptr) shown->paintOver(painter, picture);
}

void CMocfgDlg::mousePressEvent(QMouseEvent* event) {
    closePopup();
    // The borderless window moves by its whole surface, through the window system (X11 and Wayland).
    if (event->button() == Qt::LeftButton && windowHandle() != nullptr) windowHandle()->startSystemMove();
    skin::SkinnedWindow::mousePressEvent(event);
}

void CMocfgDlg::closeEvent(QCloseEvent* event) {
    closingDown_ = true;
    emit closing();
    event->accept();
}

PanelBus::PanelBus(platform::Reactor& reactor, CMocfgDlg& dialog)
    : window_(reactor, [&dialog](uint32_t m, int64_t w, int64_t l) -> int64_t {
          return acceptedFromBus(m) ? dialog.onMessage(m, w, l) : 0;
      }) {}

bool PanelBus::create() { return window_.create(title::kPanel); }

void PanelBus::destroy() { window_.destroy(); }

}  // namespace panel
