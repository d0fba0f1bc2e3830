#include "panel/pages/start_page.h"

#include "skin/static_trans.h"

namespace panel {

namespace {
// Between the title strip and the tiles.
const QRect kHintArea(32, 68, 896, 48);
}  // namespace

StartPage::StartPage(PageHost& host) : Page(host, layout::kStartPage, layout::startPage()) {}

void StartPage::controlsMade() {
    hint_ = new skin::CStaticTrans(&window());
    hint_->setTextColor(skin::colour::kNotice);
    hint_->setFontHeight(14);
    hint_->setAlignment(Qt::AlignCenter);
    hint_->setWordWrap(true);
    hint_->setGeometry(kHintArea);
    hint_->hide();
}

void StartPage::setHint(const QString& hint) {
    if (hint_ == nullptr) return;
    hint_->setText(hint);
    hint_->setVisible(shown() && !hint.isEmpty());
}

QString StartPage::hint() const { return hint_ != nullptr ? hint_->text() : QString(); }

void StartPage::setShown(bool shown) {
    Page::setShown(shown);
    if (hint_ != nullptr) hint_->setVisible(shown && !hint_->text().isEmpty());
}

}  // namespace panel
