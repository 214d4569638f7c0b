#pragma once

// A small lesson database and audio folder for the loading tests. Book 1 lesson 1 has
// three sentences (one stored with a doubled blank), lesson 4 has sentences but no
// words, lessons 6 and 10 have words only, and book 2 lesson 1 shares lesson 1's
// caption. Rows of different lessons are interleaved, so only a whole-value match on
// both columns gives the right rows.
#include "lessons/LessonDatabaseBuilder.h"
#include "resources/Installation.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace lesnor::test {

inline QList<SentenceRow> fixtureSentences() {
    const QString l1 = QStringLiteral("Lesson 1");
    const QString b1 = QStringLiteral("1");
    return {
        {QStringLiteral("Hello, Ann!"), QStringLiteral("你好，安！"), QStringLiteral(".5"),
         QStringLiteral("1.8"), l1, b1},
        {QStringLiteral("Welcome to the  club."), QStringLiteral("欢迎来到俱乐部。"), QStringLiteral("2.1"),
         QStringLiteral("4.25"), l1, b1},
        {QStringLiteral("Lesson 4 first."), QStringLiteral("第四课第一句。"), QStringLiteral(".4"),
         QStringLiteral("2"), QStringLiteral("Lesson 4"), b1},
        {QStringLiteral("Book two, first lesson."), QStringLiteral("第二册第一课。"), QStringLiteral(".3"),
         QStringLiteral(""), l1, QStringLiteral("2")},
        {QStringLiteral("Thank you very much."), QStringLiteral("非常感谢！"), QStringLiteral("4.55"),
         QStringLiteral(""), l1, b1},
        {QStringLiteral("Lesson 4 last."), QStringLiteral("第四课最后一句。"), QStringLiteral("2.3"),
         QStringLiteral(""), QStringLiteral("Lesson 4"), b1},
    };
}

inline QList<WordRow> fixtureWords() {
    const QString b1 = QStringLiteral("1");
    return {
        {QStringLiteral("hello"), QStringLiteral("int.你好"), QStringLiteral("Lesson 1"), b1},
        {QStringLiteral("club"), QStringLiteral("n.俱乐部"), QStringLiteral("Lesson 10"), b1},
        {QStringLiteral("welcome"), QStringLiteral("v.欢迎"), QStringLiteral("Lesson 1"), b1},
        {QStringLiteral("excuse"), QStringLiteral("v.原谅"), QStringLiteral("Lesson 6"), b1},
        {QStringLiteral("book"), QStringLiteral("n.书"), QStringLiteral("Lesson 1"), QStringLiteral("2")},
        {QStringLiteral("thank you"), QStringLiteral("非常地"), QStringLiteral("Lesson 1"), b1},
    };
}

// A data folder holding the fixture database and a program folder whose "语音库"
// holds the recordings named in `recordings` (each file's content is its own name).
struct LessonFixture {
    QTemporaryDir data;
    QTemporaryDir program;

    explicit LessonFixture(const QStringList& recordings = {QStringLiteral("QLX101.dat"),
                                                            QStringLiteral("QLX1010.dat")}) {
        writeFile(dataFolder() + files::database, buildLessonDatabase(fixtureSentences(), fixtureWords()));
        QDir(program.path()).mkpath(QStringLiteral("语音库"));
        for (const QString& name : recordings)
            writeFile(audioFolder() + name, name.toUtf8());
    }
    QString dataFolder() const { return data.path() + QLatin1Char('/'); }
    QString programFolder() const { return program.path() + QLatin1Char('/'); }
    QString audioFolder() const { return programFolder() + QStringLiteral("语音库/"); }

    static bool writeFile(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
    }
    static QByteArray readFile(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

} // namespace lesnor::test
