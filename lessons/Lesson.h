#pragma once

#include <QString>
#include <QStringList>

namespace lesnor {

// One loaded lesson: what the lesson window shows and plays. The four sentence lists
// are parallel (entry i of each belongs to sentence i, in database order) and always
// the same length.
struct Lesson {
    QString caption;         // "Lesson 3"; "" when nothing is loaded
    QStringList List1;       // English text, exactly as stored
    QStringList List2;       // Chinese translation
    QStringList List3;       // start time text (".5", "2.73")
    QStringList List4;       // end time text; "" for the last sentence
    QStringList wordLines;   // "excuse /v.原谅", one per vocabulary entry
    QString LessonAudioFile; // the stored recording's full path; "" when nothing is loaded

    int count() const { return int(List1.size()); }
    bool isEmpty() const { return List1.isEmpty(); }

    // Entry i of a list, "" outside it.
    static QString at(const QStringList& list, int i);

    // The lesson text: every sentence followed by CR LF CR LF.
    QString text() const;
    // The word list text: every line followed by CR LF.
    QString wordListText() const;

    // The lesson text as a document of paragraphs: sentence i is its own paragraph,
    // followed by an empty one, each paragraph break counting one character.
    // documentStart(i) is where sentence i begins in that document.
    int documentStart(int i) const;
    // The sentence whose paragraph holds document position `pos` (a position at the
    // very end of the sentence's paragraph counts too); -1 for the empty paragraphs
    // between and after the sentences and for positions outside the text.
    int sentenceAtDocumentPosition(int pos) const;
};

} // namespace lesnor
