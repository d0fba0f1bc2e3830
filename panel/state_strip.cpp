#include "panel/state_strip.h"

#include <QFileSystemWatcher>
#include <QPushButton>

#include "panel/dialogs/prompts.h"
#include "panel/layout/window_layout.h"
#include "panel/panel_model.h"
#include "platform/known_folders.h"
#include "platform/runtime_folder.h"
#include "shared/string_table.h"
#include "shared/window_messages.h"
#include "skin/static_trans.h"

namespace panel {

namespace {
// Events of one atomic replace of the settings file, or of a window appearing on the bus, arrive
// in a burst; one look after it settles is enough.
constexpr int kSettleMs = 120;
}  // namespace

StateStrip::StateStrip(QWidget& window, PanelModel& model, ServiceMessenger& service, const StringTable& strings,
                       std::function<void(const QString&)> hint)
    : QObject(&window), model_(model), service_(service), strings_(strings), hint_(std::move(hint)) {
    label_ = new skin::CStaticTrans(&window);
    label_->setTextColor(skin::colour::kText);
    label_->setFontHeight(13);
    label_->setAlignment(Qt::AlignCenter);
    if (const layout::Control* state = layout::find(layout::mainFrame(), layout::Role::StateText)) {
        const layout::Rect& r = state->rect;
        label_->setGeometry(r.left + 8, r.top, r.width() - 16, r.height());
    }
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, [this] { update(); });
}

QString StateStrip::text(const char* key) const { return QString::fromStdString(strings_.lookup("MAIN", key)); }

void StateStrip::watch() {
    watcher_ = new QFileSystemWatcher(this);
    for (const std::string& folder : {platform::parentFolder(model_.paths().settingsPath), platform::runtimeFolder()})
        if (!folder.empty() && platform::folderExists(folder)) watcher_->addPath(QString::fromStdString(folder));
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { settle_.start(); });
}

void StateStrip::setShortcutReach(int reach) {
    shortcutReach_ = reach;
    update();
}

void StateStrip::setShown(bool shown) { label_->setVisible(shown); }

void StateStrip::showWriteFailure(int64_t reason, std::function<void()> retry) {
    // Not modal: it comes from the service at any moment, and the user may go on editing. A
    // further failure while it shows only updates its text.
    retry_ = std::move(retry);
    const QString message = text(reason == msg::kWriteNoAnswer ? "WRITENOANSWER" : "WRITEFAILED");
    if (writeNotice_ == nullptr) {
        auto* parent = qobject_cast<QWidget*>(this->parent());
        QMessageBox* box = dialogs::makeMessageBox(QMessageBox::Warning, text("WARNING"), message, QMessageBox::NoButton,
                                                   parent);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
        QPushButton* again = box->addButton(text("RETRY"), QMessageBox::AcceptRole);
        again->setObjectName(QStringLiteral("retryWrite"));
        box->addButton(text("CLOSE"), QMessageBox::RejectRole);
        box->setDefaultButton(again);
        connect(again, &QPushButton::clicked, this, [this] {
            if (retry_) retry_();
        });
        writeNotice_ = box;
    }
    writeNotice_->setText(message);
    writeNotice_->show();
    writeNotice_->raise();
}

void StateStrip::update() {
    // "Device" is the service's word; without the service it may be stale, so it counts only then.
    const bool running = service_.serviceRunning();
    const bool connected = running && model_.deviceConnected();
    stateText_ = !running ? text("NOSERVICE") : !connected ? text("NODEVICE") : QString();
    QString hint = !running ? text("NOSERVICEHINT") : !connected ? text("NODEVICEHINT") : QString();
    // The service says how far its shortcuts reach when asked; a service that went away (or is
    // new) has to say it again.
    if (!running) {
        shortcutReach_ = -1;
    } else if (shortcutReach_ < 0) {
        service_.post(msg::kShortcutQuery);
    }
    shortcutText_ = !running ? QString()
                    : shortcutReach_ == msg::kShortcutsOff   ? text("SHORTCUTSOFF")
                    : shortcutReach_ == msg::kShortcutsXOnly ? text("SHORTCUTSXONLY")
                                                             : QString();
    if (!shortcutText_.isEmpty() && hint.isEmpty()) hint = text("SHORTCUTSHINT");
    if (hint_) hint_(hint);
    label_->setToolTip(hint);
    QString label = stateText_.isEmpty() ? text("CONNECTED") : stateText_;
    if (!shortcutText_.isEmpty()) label += QString::fromUtf8(" \u00B7 ") + shortcutText_;
    label_->setText(label);
    const bool allThere = stateText_.isEmpty() && shortcutText_.isEmpty();
    label_->setTextColor(allThere ? skin::colour::kConnected : skin::colour::kNotice);
    label_->setAccessibleName(label);
}

}  // namespace panel
