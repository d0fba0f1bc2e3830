#include "panel/dialogs/program_dialog.h"

#include <QListWidget>
#include <QPainter>
#include <QStyledItemDelegate>

#include <vector>

#include "panel/dialogs/prompts.h"
#include "panel/layout/dialog_layout.h"
#include "platform/running_programs.h"
#include "skin/bitmap_button.h"
#include "skin/skin_style.h"
#include "skin/static_trans.h"

namespace dialogs {
namespace {

using layout::Role;

constexpr int kPathRole = Qt::UserRole;
constexpr int kRowHeight = 40;
const QColor kNameColour(0xEE, 0xEB, 0xE9);
const QColor kPathColour(0x8A, 0x90, 0x99);
const QColor kSelectedGround(0x3A, 0x30, 0x0C);
const QColor kSelectedEdge(0xC8, 0xA4, 0x00);
constexpr uint32_t kNoteColour = 0x40B0FF;  // the window's amber for what is missing

// Two lines per program: its name, and under it the full path in a quieter colour.
class ProgramDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        return {option.rect.width(), kRowHeight};
    }

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        p->save();
        // Dimmed as a whole where the list cannot be used (a Wayland session).
        if (!(option.state & QStyle::State_Enabled)) p->setOpacity(0.4);
        const QRect r = option.rect.adjusted(4, 1, -4, -1);
        if (option.state & QStyle::State_Selected) {
            p->fillRect(r, kSelectedGround);
            p->fillRect(QRect(r.left(), r.top(), 3, r.height()), kSelectedEdge);
        }
        const QRect text = r.adjusted(14, 3, -8, -3);
        p->setFont(skin::uiFont(14, 600));
        p->setPen(kNameColour);
        p->drawText(QRect(text.left(), text.top(), text.width(), 18), Qt::AlignLeft | Qt::AlignVCenter,
                    index.data(Qt::DisplayRole).toString());
        p->setFont(skin::uiFont(12));
        p->setPen(kPathColour);
        const QString path = index.data(kPathRole).toString();
        p->drawText(QRect(text.left(), text.top() + 18, text.width(), 16), Qt::AlignLeft | Qt::AlignVCenter,
                    QFontMetrics(p->font()).elidedText(path, Qt::ElideMiddle, text.width()));
        p->restore();
    }
};

QString baseName(const QString& path) { return path.mid(path.lastIndexOf('/') + 1); }

}  // namespace

CProgramDlg::CProgramDlg(const DialogContext& context, int profile, const QString& current, bool available,
                         QWidget* parent)
    : CSkinDialog(context, layout::programDialog(), "DLGPROGRAM", parent) {
    skin::CStaticTrans* prompt = addPrompt(available ? text("PROGRAMPROMPT").arg(profile + 1) : text("PROGRAMWAYLAND"));
    prompt->setWordWrap(true);
    prompt->setFontHeight(13);
    if (!available) prompt->setTextColor(kNoteColour);

    list_ = new QListWidget(surface());
    list_->setGeometry(rectOf(Role::ProgramList).adjusted(4, 4, -4, -4));
    list_->setFrameShape(QFrame::NoFrame);
    list_->setItemDelegate(new ProgramDelegate(list_));
    list_->setUniformItemSizes(true);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setAccessibleName(text("DLGPROGRAM"));
    list_->setStyleSheet(QStringLiteral(
        "QListWidget { background: transparent; outline: 0; }"
        "QScrollBar:vertical { background: #120f0d; width: 10px; margin: 0; }"
        "QScrollBar::handle:vertical { background: #3a3f47; min-height: 24px; border-radius: 4px; }"
        "QScrollBar::add-line, QScrollBar::sub-line { height: 0; }"));
    place(Role::ProgramList, 0, list_);

    // The present program first when it is not running now, so it stays in view and selected.
    std::vector<platform::RunningProgram> programs = platform::runningPrograms();
    const std::string present = current.toStdString();
    if (!present.empty() && present.find('/') != std::string::npos) {
        bool running = false;
        for (const platform::RunningProgram& program : programs) running = running || program.path == present;
        if (!running) programs.insert(programs.begin(), {baseName(current).toStdString(), present});
    }
    for (const platform::RunningProgram& program : programs) {
        auto* item = new QListWidgetItem(QString::fromStdString(program.name), list_);
        item->setData(kPathRole, QString::fromStdString(program.path));
        item->setToolTip(QString::fromStdString(program.path));
        const bool chosen = program.path == present || (present.find('/') == std::string::npos && program.name == present);
        if (chosen && list_->currentItem() == nullptr) list_->setCurrentItem(item);
    }
    connect(list_, &QListWidget::itemActivated, this, [this] { accept(); });

    skin::CBitmapBtn* browseButton = addButton(Role::ProgramBrowse);
    connect(browseButton, &QAbstractButton::clicked, this, [this] { browse(); });

    // OK needs a chosen program.
    QWidget* ok = button(Role::DialogOk);
    auto updateOk = [this, ok, available] {
        if (ok != nullptr) ok->setEnabled(available && list_->currentItem() != nullptr);
    };
    connect(list_, &QListWidget::currentItemChanged, this, updateOk);
    updateOk();
    if (!available) {
        list_->setEnabled(false);
        browseButton->setEnabled(false);
    }
}

void CProgramDlg::accept() {
    const QListWidgetItem* item = list_->currentItem();
    if (item == nullptr || !list_->isEnabled()) return;  // nothing chosen (Enter): the dialog stays
    program_ = item->data(kPathRole).toString();
    CSkinDialog::accept();
}

void CProgramDlg::browse() {
    const QString file = prompts().openFile(this, {text("PROGRAMBROWSE"), QStringLiteral("/usr/bin"), {}, {}, {}});
    if (file.isEmpty()) return;
    program_ = file;
    CSkinDialog::accept();
}

}  // namespace dialogs
