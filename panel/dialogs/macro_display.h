#pragma once
// CMorvikMacroDisplay: shows a key list's text one character at a time, flowing from x = 2 and
// wrapping at the right edge; "^" and "|" are drawn as small marks (a release arrow and a delay
// bar), every other character as text. A line is as high as the taller of the text and the marks,
// plus 2. In highlight mode each of the first six lines that holds characters gets a bar of
// colour 0x35B57F behind them, as wide as its characters. The block of lines is centred
// vertically when it fits. Colours follow the skin: the field's picture shows through, light text,
// dark text on a bar.
#include <QWidget>

#include <vector>

namespace dialogs {

class CMorvikMacroDisplay : public QWidget {
    Q_OBJECT
public:
    explicit CMorvikMacroDisplay(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return text_; }
    void setHighlight(bool on);
    bool highlight() const { return highlight_; }
    // Number of lines the text takes at the current width.
    int lineCount() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Glyph {
        QChar c;
        QRect rect;
        int line;
    };
    std::vector<Glyph> layoutText() const;

    QString text_;
    bool highlight_ = false;
};

}  // namespace dialogs
