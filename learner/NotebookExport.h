#pragma once

#include "learner/Record.h"

#include <QByteArray>
#include <QList>

namespace lesnor {

enum class ExportFormat {
    // Tab-separated notes for flash-card programs: UTF-8, header comment lines naming the
    // separator, HTML fields and the columns word, phonetic, meaning, sentence, lesson.
    // Inside a field "&", "<", ">" and '"' are written as entities, a tab as "&#9;" and
    // a line break as "<br>"; the word met is bold in its sentence.
    FlashCards,
    // Comma-separated with a header row (word, phonetic, meaning, sentence, lesson,
    // count, first, last): UTF-8, CR LF line ends, a field with a comma, quote or line
    // break quoted and its quotes doubled. Plain text.
    Csv,
};

// The notebook's words in the order they were first looked up; mastered ones only
// when asked.
QList<NotebookWord> notebookWords(const LearnerSnapshot& snapshot, bool withMastered);

QByteArray exportNotebook(const QList<NotebookWord>& words, ExportFormat format);

// The sentence as HTML with every whole-word occurrence of the form met (else of the
// headword), in any letter case, between <b> and </b>.
QString sentenceWithBoldWord(const QString& sentence, const QString& form, const QString& headword);

// The first of `sentences` that holds `word` as a whole word (letter case ignored); ""
// when none does.
QString sentenceContaining(const QStringList& sentences, const QString& word);

} // namespace lesnor
