#pragma once

#include <QPlainTextEdit>
#include <QTextCursor>

class QLabel;

namespace lesnor {

namespace answers {
struct Marking;
}

// The typing box `r1` of the dictation window, which can show an answer's marks over
// the learner's own text without changing a character of it (toPlainText() stays what
// was typed; the marks are character formats, and a missing word is drawn in a gap
// widened after the word before it). The first change to the text takes the marks
// away: they describe the text as it was marked.
//
// Marks: a slip underlined in orange with its wrong letters red; a wrong word red; an
// extra word struck through in grey; missing words in grey, "[like this]", at their
// place (at the very start, left of the text).
class TypingBox : public QPlainTextEdit {
    Q_OBJECT
public:
    static const QColor slipUnderline;
    static const QColor wrongText;
    static const QColor extraText;

    explicit TypingBox(QWidget* parent);

    void showMarks(const answers::Marking& marking);
    void clearMarks();
    bool marksShown() const { return marked_; }
    // The missing words shown, in order: "[your handbag]".
    QStringList insets() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Inset {
        // The gap is just before this position. A position, not a QTextCursor: the marks
        // go with any change of the text, and a cursor of the document must not be
        // destroyed while the document is being changed (clearMarks runs from its
        // contentsChange).
        int after = 0;
        QString text;
        int width = 0;
    };
    void placeStartInset();

    QList<Inset> insets_;
    QLabel* startInset_ = nullptr;
    bool marked_ = false;
    bool formatting_ = false;
};

} // namespace lesnor
