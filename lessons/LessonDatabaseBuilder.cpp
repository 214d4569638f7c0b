#include "lessons/LessonDatabaseBuilder.h"

#include "lessons/Jet3Writer.h"

namespace lesnor {

LessonTableIds addLessonTables(jet3::Writer& writer) {
    using jet3::TypeMemo;
    using jet3::TypeText;
    const int sentences =
        writer.addTable(QStringLiteral("句库"), {
                                                    {QStringLiteral("句子"), TypeMemo, 0},
                                                    {QStringLiteral("中文"), TypeMemo, 0},
                                                    {QStringLiteral("开始时间"), TypeText, 10},
                                                    {QStringLiteral("结束时间"), TypeText, 10},
                                                    {QStringLiteral("课别"), TypeText, 100},
                                                    {QStringLiteral("册别"), TypeText, 2},
                                                });
    const int words = writer.addTable(QStringLiteral("单词"), {
                                                                  {QStringLiteral("单词"), TypeText, 50},
                                                                  {QStringLiteral("中文"), TypeText, 50},
                                                                  {QStringLiteral("课别"), TypeText, 50},
                                                                  {QStringLiteral("册别"), TypeText, 2},
                                                              });
    return {sentences, words};
}

QByteArray buildLessonDatabase(const QList<SentenceRow>& sentences, const QList<WordRow>& words,
                               QString* error) {
    jet3::Writer writer(936);
    const LessonTableIds tables = addLessonTables(writer);
    const int sentenceTable = tables.sentences;
    const int wordTable = tables.words;
    for (const SentenceRow& s : sentences) {
        jet3::WriterRow row;
        row.values = {s.english, s.chinese, s.start, s.end, s.lesson, s.book};
        writer.addRow(sentenceTable, row);
    }
    for (const WordRow& w : words) {
        jet3::WriterRow row;
        row.values = {w.word, w.chinese, w.lesson, w.book};
        writer.addRow(wordTable, row);
    }
    return writer.build(error);
}

} // namespace lesnor
