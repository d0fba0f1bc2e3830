#include "panel/dialogs/macro_display.h"

#include <QAccessible>
#include <QPainter>

#include <algorithm>
#include <vector>

#include "skin/accessibility.h"
#include "skin/skin_style.h"

namespace dialogs {
namespace {

constexpr int kMarkWidth = 9, kMarkHeight = 14;
constexpr int kHighlightLines = 6;
const QColor kHighlight(0x7F, 0xB5, 0x35);  // COLORREF 0x35B57F
const QColor kTextColour(0xe9, 0xeb, 0xee);
const QColor kTextOnBar(0x0b, 0x0c, 0x0f);

bool isMark(QChar c) { return c == u'^' || c == u'|'; }

}  // namespace

CMorvikMacroDisplay::CMorvikMacroDisplay(QWidget* parent) : QWidget(parent) {
    setFont(skin::uiFont(18, 600));
    setFocusPolicy(Qt::StrongFocus);
    skin::accessible::setRole(this, QAccessible::StaticText);  // the captured key, as text
}

void CMorvikMacroDisplay::setText(const QString& text) {
    text_ = text;
    setAccessibleDescription(text.trimmed());
    update();
}

void CMorvikMacroDisplay::setHighlight(bool on) {
    highlight_ = on;
    update();
}

std::vector<CMorvikMacroDisplay::Glyph> CMorvikMacroDisplay::layoutText() const {
    const QFontMetrics metrics(font());
    const int lineHeight = std::max(metrics.height(), kMarkHeight) + 2;
    std::vector<Glyph> glyphs;
    int x = 2, line = 0;
    for (QChar c : text_) {
        const int w = isMark(c) ? kMarkWidth : metrics.horizontalAdvance(c);
        if (x + w >= width() && x > 2) {
            x = 2;
            ++line;
        }
        glyphs.push_back({c, QRect(x, line * lineHeight, w, lineHeight), line});
        x += w;
    }
    return glyphs;
}

int CMorvikMacroDisplay::lineCount() const {
    const std::vector<Glyph> glyphs = layoutText();
    return glyphs.empty() ? 0 : glyphs.back().line + 1;
}

void CMorvikMacroDisplay::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    const std::vector<Glyph> glyphs = layoutText();
    if (glyphs.empty()) return;
    const int lines = glyphs.back().line + 1;
    const int lineHeight = glyphs.front().rect.height();
    const int offset = std::max(0, (height() - lines * lineHeight) / 2);
    p.translate(0, offset);
    if (highlight_) {
        for (int line = 0; line < std::min(lines, kHighlightLines); ++line) {
            QRect bar;
            for (const Glyph& g : glyphs)
                if (g.line == line && !g.c.isSpace()) bar |= g.rect;
            if (!bar.isEmpty()) p.fillRect(bar.adjusted(-4, 1, 4, -1), kHighlight);
        }
    }
    for (const Glyph& g : glyphs) {
        const bool onBar = highlight_ && g.line < kHighlightLines;
        const QColor colour = onBar ? kTextOnBar : kTextColour;
        if (g.c == u'^') {
            const QPointF c = g.rect.center();
            p.setPen(Qt::NoPen);
            p.setBrush(colour);
            p.drawPolygon(QPolygonF({c + QPointF(-4, 3), c + QPointF(0, -4), c + QPointF(4, 3)}));
        } else if (g.c == u'|') {
            p.fillRect(QRectF(g.rect.center().x() - 1, g.rect.top() + 3, 2, g.rect.height() - 6), colour);
        } else {
            p.setPen(colour);
            p.drawText(g.rect, Qt::AlignCenter, QString(g.c));
        }
    }
}

}  // namespace dialogs
