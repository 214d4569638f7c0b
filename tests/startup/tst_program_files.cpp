// Where the program reads its recordings and help page from: beside the executable in
// a build folder, under share/lesnor of an installation, found from the executable's
// own place.
#include "resources/ProgramFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace lesnor;

class tst_program_files : public QObject {
    Q_OBJECT
private slots:
    void findsTheFolderThatHoldsTheFiles_data();
    void findsTheFolderThatHoldsTheFiles();
};

void tst_program_files::findsTheFolderThatHoldsTheFiles_data() {
    QTest::addColumn<QStringList>("folders"); // made under the temporary root
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("executable"); // the executable's folder
    QTest::addColumn<QString>("expected");

    QTest::newRow("build folder") << QStringList{"build/语音库"} << QStringList{} << "build"
                                  << "build/";
    QTest::newRow("help page only") << QStringList{"build"} << QStringList{"build/help.htm"} << "build"
                                    << "build/";
    QTest::newRow("installed") << QStringList{"usr/bin", "usr/share/lesnor/语音库"} << QStringList{}
                               << "usr/bin"
                               << "usr/share/lesnor/";
    QTest::newRow("own files win") << QStringList{"usr/bin/语音库", "usr/share/lesnor/语音库"}
                                   << QStringList{} << "usr/bin"
                                   << "usr/bin/";
    QTest::newRow("nothing anywhere")
        << QStringList{"usr/bin", "usr/share/lesnor"} << QStringList{} << "usr/bin"
        << "usr/bin/";
    QTest::newRow("a file is not the folder")
        << QStringList{"usr/bin", "usr/share/lesnor"} << QStringList{"usr/share/lesnor/语音库"} << "usr/bin"
        << "usr/bin/";
}

void tst_program_files::findsTheFolderThatHoldsTheFiles() {
    QFETCH(QStringList, folders);
    QFETCH(QStringList, files);
    QFETCH(QString, executable);
    QFETCH(QString, expected);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    QDir dir(root.path());
    for (const QString& f : folders)
        QVERIFY(dir.mkpath(f));
    for (const QString& f : files) {
        QFile file(dir.filePath(f));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QCOMPARE(findProgramFolder(dir.filePath(executable)), dir.filePath(expected));
    QCOMPARE(findProgramFolder(dir.filePath(executable) + "/"), dir.filePath(expected));
}

QTEST_APPLESS_MAIN(tst_program_files)
#include "tst_program_files.moc"
