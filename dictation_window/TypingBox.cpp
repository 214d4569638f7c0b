#include "dictation_window/TypingBox.h"

#include "answers/AnswerComparison.h"

#include <QLabel>
#include <QMap>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

namespace lesnor {

const QColor TypingBox::slipUnderline(255, 140, 0);
const QColor TypingBox::wrongText(220, 0, 0);
const QColor TypingBox::extraText(128, 128, 128);

TypingBox::TypingBox(QWidget* parent)
    : QPlainTextEdit(parent)
    , startInset_(new QLabel(this)) {
    startInset_->setObjectName(QStringLiteral("StartInset"));
    startInset_->hide();
    startInset_->setAttribute(Qt::WA_TransparentForMouseEvents);
    connect(document(), &QTextDocument::contentsChange, this, [this](int, int removed, int added) {
        if (!formatting_ && marked_ && (removed > 0 || added > 0))
            clearMarks();
    });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &TypingBox::placeStartInset);
}

void TypingBox::showMarks(const answers::Marking& marking) {
    using answers::Verdict;
    clearMarks();
    formatting_ = true;
    const QFontMetrics metrics(font());
    QTextCursor c(document());
    for (const answers::TypedWord& w : marking.typed) {
        if (w.verdict == Verdict::Right)
            continue;
        c.setPosition(w.start);
        c.setPosition(w.start + w.length, QTextCursor::KeepAnchor);
        QTextCharFormat f;
        if (w.verdict == Verdict::Slip) {
            f.setUnderlineStyle(QTextCharFormat::SingleUnderline);
            f.setUnderlineColor(slipUnderline);
        } else if (w.verdict == Verdict::Wrong) {
            f.setForeground(wrongText);
        } else {
            f.setForeground(extraText);
            f.setFontStrikeOut(true);
        }
        c.mergeCharFormat(f);
        QTextCharFormat letter;
        letter.setForeground(wrongText);
        for (int p : w.wrongLetters) {
            c.setPosition(p);
            c.setPosition(p + 1, QTextCursor::KeepAnchor);
            c.mergeCharFormat(letter);
        }
    }
    // Missing words at one place share one pair of brackets.
    QMap<int, QStringList> missing;
    for (const answers::MissingWord& w : marking.missing)
        missing[w.at] << w.text;
    for (auto it = missing.cbegin(); it != missing.cend(); ++it) {
        const QString text = QLatin1Char('[') + it.value().join(QLatin1Char(' ')) + QLatin1Char(']');
        if (it.key() == 0) {
            startInset_->setText(text);
            continue;
        }
        const Inset inset{it.key(), text, metrics.horizontalAdvance(QLatin1Char(' ') + text)};
        c.setPosition(it.key() - 1);
        c.setPosition(it.key(), QTextCursor::KeepAnchor);
        QTextCharFormat gap;
        gap.setFontLetterSpacingType(QFont::AbsoluteSpacing);
        gap.setFontLetterSpacing(inset.width);
        c.mergeCharFormat(gap);
        insets_.append(inset);
    }
    formatting_ = false;
    marked_ = true;
    placeStartInset();
    viewport()->update();
}

void TypingBox::clearMarks() {
    if (!marked_)
        return;
    formatting_ = true;
    QTextCursor all(document());
    all.select(QTextCursor::Document);
    all.setCharFormat(QTextCharFormat());
    formatting_ = false;
    insets_.clear();
    startInset_->clear();
    marked_ = false;
    placeStartInset();
    viewport()->update();
}

QStringList TypingBox::insets() const {
    QStringList out;
    if (!startInset_->text().isEmpty())
        out << startInset_->text();
    for (const Inset& i : insets_)
        out << i.text;
    return out;
}

void TypingBox::paintEvent(QPaintEvent* event) {
    QPlainTextEdit::paintEvent(event);
    if (insets_.isEmpty())
        return;
    QPainter p(viewport());
    p.setFont(font());
    p.setPen(extraText);
    const QFontMetrics metrics(font());
    const int blank = metrics.horizontalAdvance(QLatin1Char(' '));
    for (const Inset& i : insets_) {
        QTextCursor after(document());
        after.setPosition(qMin(i.after, document()->characterCount() - 1));
        const QRect r = cursorRect(after);
        p.drawText(QPoint(r.left() - i.width + blank,
                          r.top() + metrics.ascent() + (r.height() - metrics.height()) / 2),
                   i.text);
    }
}

void TypingBox::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    placeStartInset();
}

// Missing words before everything typed sit in a margin left of the text.
void TypingBox::placeStartInset() {
    const bool shown = !startInset_->text().isEmpty();
    const QFontMetrics metrics(font());
    const int width = shown ? metrics.horizontalAdvance(startInset_->text() + QLatin1Char(' ')) : 0;
    setViewportMargins(width, 0, 0, 0);
    if (!shown) {
        startInset_->hide();
        return;
    }
    QPalette p = startInset_->palette();
    p.setColor(QPalette::WindowText, extraText);
    startInset_->setPalette(p);
    startInset_->setFont(font());
    const QRect first = cursorRect(QTextCursor(document()));
    const QRect vp = viewport()->geometry();
    startInset_->setGeometry(vp.left() - width, vp.top() + first.top(), width, first.height());
    startInset_->setVisible(first.bottom() >= 0 && first.top() < vp.height());
}

} // namespace lesnor
