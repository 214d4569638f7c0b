#include "lessons/Lesson.h"

namespace lesnor {

QString Lesson::at(const QStringList& list, int i) {
    return i >= 0 && i < list.size() ? list.at(i) : QString();
}

QString Lesson::text() const {
    QString out;
    for (const QString& sentence : List1)
        out += sentence + QStringLiteral("\r\n\r\n");
    return out;
}

QString Lesson::wordListText() const {
    QString out;
    for (const QString& line : wordLines)
        out += line + QStringLiteral("\r\n");
    return out;
}

int Lesson::documentStart(int i) const {
    int pos = 0;
    for (int k = 0; k < i && k < List1.size(); ++k)
        pos += int(List1.at(k).size()) + 2; // the sentence, its paragraph break, the empty line's break
    return pos;
}

int Lesson::sentenceAtDocumentPosition(int pos) const {
    if (pos < 0)
        return -1;
    int start = 0;
    for (int i = 0; i < List1.size(); ++i) {
        const int end = start + int(List1.at(i).size());
        if (pos <= end)
            return pos >= start ? i : -1;
        start = end + 2;
    }
    return -1;
}

} // namespace lesnor
