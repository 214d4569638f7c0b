// The dictation window's remembered choices in a real settings file: a missing, corrupt
// or odd file gives the defaults, and what is stored reads back in the next run.
#include "dictation_window/DictationSettings.h"
#include "platform/SettingsPreferences.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace lesnor;

class TestDictationSettings : public QObject {
    Q_OBJECT
private slots:
    void settingsFile_data() {
        QTest::addColumn<QByteArray>("file"); // "" for no file
        QTest::addColumn<bool>("ignoreCase");
        QTest::addColumn<bool>("translationShown");
        QTest::newRow("no file") << QByteArray() << true << true;
        QTest::newRow("stored") << QByteArray("[dictation]\nignoreCase=false\ntranslationShown=false\n")
                                << false << false;
        QTest::newRow("not yes or no")
            << QByteArray("[dictation]\nignoreCase=maybe\ntranslationShown=2\n") << true << true;
        QTest::newRow("corrupt") << QByteArray("[dictation\n\xff\xfe\x00ignoreCase=false\n=\n[[", 31) << true
                                 << true;
    }
    void settingsFile() {
        QFETCH(QByteArray, file);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("lesnor.ini"));
        if (!file.isEmpty()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(file);
        }
        {
            SettingsPreferences preferences(path);
            QTEST(loadAnswerOptions(preferences).ignoreCase, "ignoreCase");
            QTEST(loadTranslationShown(preferences), "translationShown");
            QCOMPARE(loadAnswerOptions(preferences).contractions, true);
            answers::Options options;
            options.contractions = false;
            saveAnswerOptions(preferences, options);
            saveTranslationShown(preferences, false);
        }
        SettingsPreferences nextRun(path);
        QCOMPARE(loadAnswerOptions(nextRun).contractions, false);
        QCOMPARE(loadAnswerOptions(nextRun).ignoreCase, true);
        QCOMPARE(loadTranslationShown(nextRun), false);
    }
};

QTEST_APPLESS_MAIN(TestDictationSettings)
#include "tst_dictationsettings.moc"
