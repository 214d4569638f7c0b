#include "widgets/WordPopup.h"

#include "dictionary/WordFinder.h"
#include "widgets/Artwork.h"
#include "widgets/Controls.h"
#include "widgets/TextHitTest.h"
#include "widgets/WindowKit.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QtMath>
#include <algorithm>

namespace lesnor {
namespace {

Picture popupFrame() {
    return Picture(QStringLiteral("popup-frame"), [](QPainter& p, const QRectF& r) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QColor(196, 176, 96));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(0, 0, -1, -1));
    });
}

Qt::MouseButton actingButton(PopupLayout::Source source) {
    return source == PopupLayout::Source::LessonText ? Qt::RightButton : Qt::LeftButton;
}

} // namespace

WordPopup::WordPopup(QWidget* window, Parts parts, WordLookup lookup, QObject* parent)
    : QObject(parent)
    , window_(window)
    , parts_(parts)
    , lookup_(std::move(lookup)) {}

WordPopup::Parts WordPopup::makeParts(QWidget* container, const QString& phoneticFamily) {
    auto* frame = new PictureBox(QStringLiteral("Picture8"), container);
    frame->setBackColor(artwork::popupBack);
    frame->setPicture(popupFrame());
    frame->hide();
    const QColor cyan(0, 192, 192);
    auto part = [frame, &cyan](const char* name, const QString& caption) {
        auto* l = new CaptionLabel(QLatin1String(name), caption, frame);
        l->setForeColor(cyan);
        l->setAutoSize(true);
        return l;
    };
    CaptionLabel* headword = part("Label11", QString());
    headword->setForeColor(QColor(255, 0, 0));
    headword->setFont(arialFont(9, true));
    CaptionLabel* open = part("Label12", QStringLiteral("["));
    CaptionLabel* phonetic = part("Label15", QString());
    if (!phoneticFamily.isEmpty()) {
        QFont f = phonetic->font();
        f.setFamilies({phoneticFamily});
        phonetic->setFont(f);
    }
    CaptionLabel* close = part("Label13", QStringLiteral("]"));
    CaptionLabel* meaning = part("Label16", QString());
    meaning->setAutoSize(false);
    meaning->setWordWrap(true);
    meaning->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    const Parts parts{frame, headword, open, phonetic, close, meaning};
    layOutParts(parts);
    placeInTwips(*meaning, {PopupLayout::kMeaningLeft, PopupLayout::kMeaningTop, PopupLayout::kMeaningWidth,
                            PopupLayout::kMeaningHeight});
    return parts;
}

void WordPopup::layOutParts(const Parts& parts) {
    const double ty = lesnor::twipsPerPixelY(*parts.frame);
    // The height a label's face needs, whatever its text.
    const auto needed = [](const CaptionLabel* l) { return l->fontMetrics().height(); };
    const auto place = [](CaptionLabel* l, const TwipRect& design, int top, int height) {
        placeInTwips(*l, design);
        l->setGeometry(l->x(), top, l->width(), height);
    };
    place(parts.headword, PopupLayout::kHeadwordPlace, 0,
          qMax(qRound(PopupLayout::kHeadwordPlace.height / ty), needed(parts.headword)));
    // The phonetic row starts below the headword and is as tall as its tallest face.
    const int rowTop =
        qMax(qRound(PopupLayout::kPhoneticPlace.top / ty), parts.headword->geometry().bottom() + 1);
    const int rowHeight = std::max({qRound(PopupLayout::kPhoneticPlace.height / ty), needed(parts.open),
                                    needed(parts.phonetic), needed(parts.close)});
    place(parts.open, PopupLayout::kOpenPlace, rowTop, rowHeight);
    place(parts.phonetic, PopupLayout::kPhoneticPlace, rowTop, rowHeight);
    place(parts.close, PopupLayout::kClosePlace, rowTop, rowHeight);
}

void WordPopup::watch(QAbstractScrollArea* box, PopupLayout::Source source) {
    watch(box, source, actingButton(source));
}

void WordPopup::watch(QAbstractScrollArea* box, PopupLayout::Source source, Qt::MouseButton button) {
    watched_.append({box, source, button});
    box->viewport()->installEventFilter(this);
    // A context menu would take the mouse from the next press.
    box->setContextMenuPolicy(Qt::PreventContextMenu);
}

bool WordPopup::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
        type != QEvent::MouseButtonDblClick)
        return false;
    for (const Watched& w : std::as_const(watched_)) {
        if (w.box->viewport() != watched)
            continue;
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != w.button)
            return false;
        if (type == QEvent::MouseButtonRelease)
            release();
        else
            press(w.box, w.source, mouse->position().toPoint());
        return true;
    }
    return false;
}

void WordPopup::press(QAbstractScrollArea* box, PopupLayout::Source source, QPoint point) {
    const double tx = twipsPerPixelX();
    const double ty = twipsPerPixelY();
    QWidget* area = parts_.frame->parentWidget();
    const QPoint boxOrigin = box->mapTo(area, QPoint(0, 0));
    const QPoint inBox = box->viewport()->mapTo(box, point);
    const QSize outer = window_->frameGeometry().size();
    const TwipRect placed =
        PopupLayout::place(source, {boxOrigin.x() * tx, boxOrigin.y() * ty, 0, 0}, inBox.x() * tx,
                           inBox.y() * ty, {outer.width() * tx, outer.height() * ty});
    parts_.frame->move(qRound(placed.left / tx), qRound(placed.top / ty));

    QString word;
    int character = -1;
    if (const auto* rich = qobject_cast<const QTextEdit*>(box)) {
        character = characterUnderPoint(*rich, point);
        word = RichWordOver(rich->toPlainText(), character);
    } else if (const auto* plain = qobject_cast<const QPlainTextEdit*>(box)) {
        character = characterUnderPoint(*plain, point);
        word = source == PopupLayout::Source::WordList ? WordListWord(plain->toPlainText(), character)
                                                       : GetWord(plain->toPlainText(), character);
    }
    if (word.isEmpty() || (hidden_ && hidden_(source, character)))
        return;
    if (const std::optional<DictionaryEntry> entry = lookup_.lookUpPointedWord(word)) {
        show(*entry, placed);
        emit lookedUp(*entry, word, source, character);
    }
}

void WordPopup::release() {
    parts_.frame->hide();
}

void WordPopup::show(const DictionaryEntry& entry, const TwipRect& placed) {
    const double tx = twipsPerPixelX();
    const double ty = twipsPerPixelY();
    parts_.headword->setText(entry.headword);
    parts_.meaning->setText(entry.meaning);
    parts_.phonetic->setText(entry.phoneticIpa());
    parts_.open->hide();
    parts_.close->hide();
    layOutParts(parts_);

    const int meaningWidth = qRound(PopupLayout::kMeaningWidth / tx);
    const QRect needed = parts_.meaning->fontMetrics().boundingRect(QRect(0, 0, meaningWidth, 1 << 20),
                                                                    Qt::TextWordWrap, entry.meaning);
    const PopupLayout::Fill fill =
        PopupLayout::fill(entry, placed, parts_.phonetic->captionWidth() * tx, needed.height() * ty,
                          parts_.frame->parentWidget()->height() * ty);
    if (fill.bracketsShown) {
        parts_.close->move(qRound(fill.closeBracketLeft / tx), parts_.close->y());
        parts_.open->show();
        parts_.close->show();
    }
    setTwipGeometry(parts_.frame, fill.popup);
    setTwipGeometry(parts_.meaning, {PopupLayout::kMeaningLeft, PopupLayout::kMeaningTop,
                                     PopupLayout::kMeaningWidth, fill.meaningHeight});
    parts_.frame->show();
    parts_.frame->raise();
    emit entryShown(entry.headword);
}

void WordPopup::setTwipGeometry(QWidget* widget, const TwipRect& rect) const {
    const double tx = twipsPerPixelX();
    const double ty = twipsPerPixelY();
    const int x = qRound(rect.left / tx);
    const int y = qRound(rect.top / ty);
    widget->setGeometry(x, y, qRound((rect.left + rect.width) / tx) - x,
                        qRound((rect.top + rect.height) / ty) - y);
}

double WordPopup::twipsPerPixelX() const {
    return 1440.0 / qMax(1, window_->logicalDpiX());
}

double WordPopup::twipsPerPixelY() const {
    return 1440.0 / qMax(1, window_->logicalDpiY());
}

} // namespace lesnor
