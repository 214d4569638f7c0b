// The desktop shell through a stand-in xdg-open: its verdict becomes openUrl's result.
#include "platform/DesktopShell.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace lesnor;

class TestDesktopShell : public QObject {
    Q_OBJECT
    QTemporaryDir bin_;
    QByteArray oldPath_;

    QString argumentFile() const { return bin_.filePath(QStringLiteral("argument")); }

    // xdg-open records its argument, then runs `body`.
    void installOpener(const QByteArray& body) {
        QFile script(bin_.filePath(QStringLiteral("xdg-open")));
        QVERIFY(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
        script.write("#!/bin/sh\nprintf '%s' \"$1\" > '" + QFile::encodeName(argumentFile()) + "'\n" + body +
                     "\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

private slots:
    void initTestCase() {
        QVERIFY(bin_.isValid());
        oldPath_ = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin_.path()) + ":" + oldPath_);
    }
    void cleanupTestCase() { qputenv("PATH", oldPath_); }

    void reportsTheOpenersVerdict_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("opened");
        QTest::newRow("handler opened it") << QByteArray("exit 0") << true;
        QTest::newRow("no browser or handler") << QByteArray("exit 3") << false;
        QTest::newRow("opener killed") << QByteArray("kill -9 $$") << false;
        // Some handlers keep running while the page is open.
        QTest::newRow("handler stays in front") << QByteArray("sleep 5") << true;
    }
    void reportsTheOpenersVerdict() {
        QFETCH(QByteArray, body);
        QFETCH(bool, opened);
        installOpener(body);
        DesktopShell shell;
        QCOMPARE(shell.openUrl(QStringLiteral("https://lesnor.org/help.htm")), opened);
        QFile argument(argumentFile());
        QVERIFY(argument.open(QIODevice::ReadOnly));
        QCOMPARE(argument.readAll(), QByteArray("https://lesnor.org/help.htm"));
    }

    // A local page goes as an encoded file URL, whatever its folder's name.
    void localPagesGoAsFileUrls() {
        installOpener("exit 0");
        DesktopShell shell;
        const QString page = bin_.filePath(QStringLiteral("语音库 help.htm"));
        QVERIFY(shell.openUrl(QUrl::fromLocalFile(page).toString()));
        QFile argument(argumentFile());
        QVERIFY(argument.open(QIODevice::ReadOnly));
        const QByteArray sent = argument.readAll();
        QVERIFY2(sent.startsWith("file:///") && !sent.contains(' '), sent.constData());
        QCOMPARE(QUrl::fromEncoded(sent).toLocalFile(), page);
    }
};

QTEST_GUILESS_MAIN(TestDesktopShell)
#include "tst_desktop_shell.moc"
