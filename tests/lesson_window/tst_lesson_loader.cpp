// Catalogue data, lesson queries and file names, reading a lesson and copying its audio.
#include "FakeServices.h"
#include "LessonFixture.h"
#include "lessons/Catalogue.h"
#include "lessons/LessonLoader.h"
#include "lessons/LessonNotices.h"
#include "widgets/Links.h"

#include <QtTest>

using namespace lesnor;
using namespace lesnor::test;

class TestLessonLoader : public QObject {
    Q_OBJECT
private slots:
    void catalogueHasFourBooksOf280Nodes() {
        const QList<CatalogueBook>& books = catalogueBooks();
        QCOMPARE(books.size(), 4);
        int nodes = 0;
        const int counts[] = {72, 96, 60, 48};
        const char* const keys[] = {"a", "b", "c", "d"};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(books[i].key, QLatin1String(keys[i]));
            QCOMPARE(books[i].caption, QStringLiteral("Vyk英语(第%1册)").arg(i + 1));
            QCOMPARE(books[i].lessonCount, counts[i]);
            QCOMPARE(bookDigitFromCaption(books[i].caption), QString::number(i + 1));
            nodes += 1 + int(lessonCaptions(books[i]).size());
        }
        QCOMPARE(nodes, 280);
        const QStringList second = lessonCaptions(books[1]);
        QCOMPARE(second.first(), QStringLiteral("Lesson 1"));
        QCOMPARE(second.at(8), QStringLiteral("Lesson 9"));
        QCOMPARE(second.at(9), QStringLiteral("Lesson 10"));
        QCOMPARE(second.last(), QStringLiteral("Lesson 96"));
        QCOMPARE(bookDigitFromCaption(QStringLiteral("Vyk英语")), QString());
    }

    void queriesAreLetterForLetter() {
        QCOMPARE(LessonQuery(QStringLiteral("1"), QStringLiteral("Lesson 3")),
                 QStringLiteral("select * from[句库] where [册别] ='1'and [课别] ='Lesson 3'"));
        QCOMPARE(WordQuery(QStringLiteral("4"), QStringLiteral("Lesson 48")),
                 QStringLiteral("select * from[单词] where [册别] ='4'and [课别] ='Lesson 48'"));
    }

    void audioNames_data() {
        QTest::addColumn<QString>("book");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("copy");
        QTest::newRow("1/5") << "1"
                             << "Lesson 5"
                             << "QLX105.dat"
                             << "QLX105.mp3";
        QTest::newRow("1/10") << "1"
                              << "Lesson 10"
                              << "QLX1010.dat"
                              << "QLX1010.mp3";
        QTest::newRow("1/15") << "1"
                              << "Lesson 15"
                              << "QLX1015.dat"
                              << "QLX1015.mp3";
        QTest::newRow("2/96") << "2"
                              << "Lesson 96"
                              << "QLX2096.dat"
                              << "QLX2096.mp3";
        // Every "Lesson " goes, and only that exact text.
        QTest::newRow("twice") << "3"
                               << "Lesson Lesson 7"
                               << "QLX307.dat"
                               << "QLX307.mp3";
        QTest::newRow("case") << "3"
                              << "lesson 7"
                              << "QLX30lesson 7.dat"
                              << "QLX30lesson 7.mp3";
    }

    void audioNames() {
        QFETCH(QString, book);
        QFETCH(QString, caption);
        QFETCH(QString, stored);
        QFETCH(QString, copy);
        QCOMPARE(lessonAudioName(book, caption), stored);
        QCOMPARE(lessonAudioCopyName(book, caption), copy);
        QCOMPARE(lessonAudioPath(QStringLiteral("/opt/lesnor/"), book, caption),
                 QStringLiteral("/opt/lesnor/语音库/") + stored);
        QCOMPARE(lessonAudioPath(QStringLiteral("/opt/lesnor"), book, caption),
                 QStringLiteral("/opt/lesnor/语音库/") + stored);
        QCOMPARE(lessonAudioCopyPath(QStringLiteral("/tmp/x/"), book, caption),
                 QStringLiteral("/tmp/x//sounenclff/") + copy);
    }

    void unknownFoldersGiveNoPaths() {
        QCOMPARE(lessonAudioPath(QString(), QStringLiteral("1"), QStringLiteral("Lesson 1")), QString());
        QCOMPARE(lessonAudioCopyPath(QString(), QStringLiteral("1"), QStringLiteral("Lesson 1")), QString());
    }

    void readsOneLessonInStoredOrder() {
        LessonFixture fx;
        const Lesson l =
            readLesson(QStringLiteral("1"), QStringLiteral("Lesson 1"), fx.dataFolder(), fx.programFolder());
        QCOMPARE(l.caption, QStringLiteral("Lesson 1"));
        QCOMPARE(l.List1, (QStringList{"Hello, Ann!", "Welcome to the  club.", "Thank you very much."}));
        QCOMPARE(l.List2, (QStringList{"你好，安！", "欢迎来到俱乐部。", "非常感谢！"}));
        QCOMPARE(l.List3, (QStringList{".5", "2.1", "4.55"}));
        QCOMPARE(l.List4, (QStringList{"1.8", "4.25", ""}));
        // "Lesson 10" and book 2's "Lesson 1" stay out.
        QCOMPARE(l.wordLines, (QStringList{"hello /int.你好", "welcome /v.欢迎", "thank you /非常地"}));
        QCOMPARE(l.LessonAudioFile, fx.audioFolder() + QStringLiteral("QLX101.dat"));
    }

    void lessonsWithOnlySentencesOrOnlyWords() {
        LessonFixture fx;
        const Lesson four =
            readLesson(QStringLiteral("1"), QStringLiteral("Lesson 4"), fx.dataFolder(), fx.programFolder());
        QCOMPARE(four.List1, (QStringList{"Lesson 4 first.", "Lesson 4 last."}));
        QVERIFY(four.wordLines.isEmpty());
        const Lesson six =
            readLesson(QStringLiteral("1"), QStringLiteral("Lesson 6"), fx.dataFolder(), fx.programFolder());
        QVERIFY(six.List1.isEmpty() && six.List2.isEmpty() && six.List3.isEmpty() && six.List4.isEmpty());
        QCOMPARE(six.wordLines, QStringList{"excuse /v.原谅"});
    }

    void unreadableDatabaseGivesAnEmptyLesson() {
        QTemporaryDir empty;
        const Lesson l = readLesson(QStringLiteral("1"), QStringLiteral("Lesson 1"), empty.path() + "/",
                                    QStringLiteral("/p/"));
        QVERIFY(l.List1.isEmpty() && l.wordLines.isEmpty());
        QCOMPARE(l.caption, QStringLiteral("Lesson 1"));
        QCOMPARE(l.LessonAudioFile, QStringLiteral("/p/语音库/QLX101.dat"));
        LessonFixture::writeFile(empty.path() + "/qlxxcl.wrd", QByteArray(4096, 'x'));
        QVERIFY(readLesson(QStringLiteral("1"), QStringLiteral("Lesson 1"), empty.path() + "/", QString())
                    .List1.isEmpty());
    }

    void audioIsCopiedForThePlayer() {
        LessonFixture fx;
        FailingFileOps files;
        const QString copy =
            lessonAudioCopyPath(fx.dataFolder(), QStringLiteral("1"), QStringLiteral("Lesson 1"));
        const QString stored = fx.audioFolder() + QStringLiteral("QLX101.dat");
        LessonAudio audio = prepareLessonAudio(stored, copy, files);
        QVERIFY(audio.playable);
        QCOMPARE(audio.playerUrl, copy);
        QCOMPARE(LessonFixture::readFile(copy), QByteArray("QLX101.dat"));
        // A later load replaces the copy, and an existing copy folder is fine.
        LessonFixture::writeFile(stored, "new recording");
        audio = prepareLessonAudio(stored, copy, files);
        QVERIFY(audio.playable);
        QCOMPARE(LessonFixture::readFile(copy), QByteArray("new recording"));
    }

    void noRecordingNoCopy() {
        LessonFixture fx;
        FailingFileOps files;
        const QString copy =
            lessonAudioCopyPath(fx.dataFolder(), QStringLiteral("1"), QStringLiteral("Lesson 2"));
        const LessonAudio missing = prepareLessonAudio(fx.audioFolder() + "QLX102.dat", copy, files);
        QVERIFY(!missing.playable);
        QCOMPARE(missing.playerUrl, QString());
        QVERIFY(!QFile::exists(copy));
        // A hidden file counts as missing, and so does a folder of that name.
        LessonFixture::writeFile(fx.audioFolder() + ".QLX102.dat", "x");
        QVERIFY(!prepareLessonAudio(fx.audioFolder() + ".QLX102.dat", copy, files).playable);
        QVERIFY(!prepareLessonAudio(fx.audioFolder(), copy, files).playable);
        QVERIFY(!prepareLessonAudio(QString(), copy, files).playable);
        QVERIFY(!prepareLessonAudio(fx.audioFolder() + "QLX101.dat", QString(), files).playable);
    }

    void failedCopyIsNotPlayable() {
        LessonFixture fx;
        FailingFileOps files;
        const QString copy =
            lessonAudioCopyPath(fx.dataFolder(), QStringLiteral("1"), QStringLiteral("Lesson 1"));
        files.failing.insert(copy);
        const LessonAudio audio = prepareLessonAudio(fx.audioFolder() + "QLX101.dat", copy, files);
        QVERIFY(!audio.playable);
        QCOMPARE(audio.playerUrl, QString());
        QVERIFY(files.log.contains(QStringLiteral("copy ") + copy));
    }

    // A window keeps only its current lesson's copy; a copy another window still has
    // stays until that one lets it go.
    void onlyTheCurrentCopiesAreKept() {
        LessonFixture fx;
        FailingFileOps files;
        const auto copyOf = [&fx](const char* lesson) {
            return lessonAudioCopyPath(fx.dataFolder(), QStringLiteral("1"), QLatin1String(lesson));
        };
        const QString stored = fx.audioFolder() + QStringLiteral("QLX101.dat");
        int lessonWindow = 0;
        int dictation = 0;
        QVERIFY(prepareLessonAudio(stored, copyOf("Lesson 1"), files, &lessonWindow).playable);
        QVERIFY(prepareLessonAudio(stored, copyOf("Lesson 2"), files, &dictation).playable);
        QVERIFY(prepareLessonAudio(stored, copyOf("Lesson 1"), files, &dictation).playable);
        QVERIFY(!QFile::exists(copyOf("Lesson 2")));
        QVERIFY(prepareLessonAudio(stored, copyOf("Lesson 3"), files, &lessonWindow).playable);
        QVERIFY(QFile::exists(copyOf("Lesson 1"))); // the dictation window has it
        releaseLessonAudio(&dictation, files);
        QVERIFY(!QFile::exists(copyOf("Lesson 1")));
        QVERIFY(QFile::exists(copyOf("Lesson 3")));
        releaseLessonAudio(&lessonWindow, files);
    }

    // What the notice line says when the data folder let a lesson down.
    void dataFolderFailuresAreTold_data() {
        QTest::addColumn<bool>("database");  // the lesson database is in the data folder
        QTest::addColumn<bool>("copyFails"); // the recording cannot be copied
        QTest::addColumn<int>("problem");    // IFileOps::WriteProblem
        QTest::addColumn<QString>("notice");
        using P = IFileOps::WriteProblem;
        QTest::newRow("all well") << true << false << int(P::NoSpace) << "";
        QTest::newRow("database, full")
            << false << false << int(P::NoSpace)
            << "课文数据没能写入临时文件夹（临时文件夹的磁盘空间不足），课文无法打开";
        QTest::newRow("database, read-only")
            << false << false << int(P::NotWritable)
            << "课文数据没能写入临时文件夹（临时文件夹无法写入），课文无法打开";
        QTest::newRow("copy, full") << true << true << int(P::NoSpace)
                                    << "本课录音没能复制到临时文件夹（临时文件夹的磁盘空间不足），无法朗读";
        QTest::newRow("copy, cause unknown")
            << true << true << int(P::None) << "本课录音没能复制到临时文件夹（原因不明），无法朗读";
    }
    void dataFolderFailuresAreTold() {
        QFETCH(bool, database);
        QFETCH(bool, copyFails);
        QFETCH(int, problem);
        QFETCH(QString, notice);
        LessonFixture fx;
        if (!database)
            QVERIFY(QFile::remove(fx.dataFolder() + files::database));
        FailingFileOps files;
        files.problem = IFileOps::WriteProblem(problem);
        const QString copy =
            lessonAudioCopyPath(fx.dataFolder(), QStringLiteral("1"), QStringLiteral("Lesson 1"));
        if (copyFails)
            files.failing.insert(copy);
        const Lesson lesson =
            readLesson(QStringLiteral("1"), QStringLiteral("Lesson 1"), fx.dataFolder(), fx.programFolder());
        const LessonAudio audio = prepareLessonAudio(lesson.LessonAudioFile, copy, files);
        QCOMPARE(notices::lessonLoad(lesson, audio, fx.dataFolder(), files, QStringLiteral("无法朗读")),
                 notice);
    }

    void helpPageIsTheLocalCopyWhenThere() {
        QTemporaryDir program;
        FailingFileOps files;
        QCOMPARE(helpPageAddress(program.path(), files), QStringLiteral("https://lesnor.org/help.htm"));
        QCOMPARE(helpPageAddress(QString(), files), links::onlineHelpPage);
        QVERIFY(links::onlineHelpPage.endsWith(QStringLiteral("/help.htm")));
        QVERIFY(links::onlineHelpPage.startsWith(links::homePage));
        LessonFixture::writeFile(program.path() + "/help.htm", "<html></html>");
        QCOMPARE(helpPageAddress(program.path() + "/", files),
                 QUrl::fromLocalFile(program.path() + "/help.htm").toString());
    }
};

QTEST_APPLESS_MAIN(TestLessonLoader)
#include "tst_lesson_loader.moc"
