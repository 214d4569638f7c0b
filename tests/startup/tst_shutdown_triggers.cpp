// Closing the lesson window and its menu item "退出" run the same way out, once.
#include "FakeServices.h"
#include "lesson_window/Form1.h"
#include "platform/DataFolder.h"
#include "resources/Installation.h"

#include <QAction>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace lesnor;
using namespace lesnor::test;

namespace {

// Leaves what a session leaves in the data folder, then runs one trigger and reports
// what is left afterwards.
QStringList leftAfter(const std::function<void(Form1&)>& trigger, int* runs) {
    QTemporaryDir temp;
    const QString folder = resolveDataFolder(temp.path());
    FakeServices services;
    installCarriedFiles(folder, services.files);
    QDir().mkdir(dataPath(folder, files::audioCopies));
    QFile(dataPath(folder, files::recording)).open(QIODevice::WriteOnly);

    int ended = 0;
    ShutdownSequence shutdown(services.recorder, services.player, services.files, nullptr, [&] { ++ended; });
    Form1 form(services.view);
    form.setShutDown([&] { shutdown.run(folder); });
    form.show();
    trigger(form);
    trigger(form); // a second attempt finds the sequence done
    *runs = ended;
    return QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden);
}

} // namespace

class TestShutdownTriggers : public QObject {
    Q_OBJECT
private slots:
    void bothTriggersLeaveTheSameState() {
        int closeRuns = 0;
        int menuRuns = 0;
        const QStringList afterClose = leftAfter([](Form1& f) { f.close(); }, &closeRuns);
        const QStringList afterMenu = leftAfter(
            [](Form1& f) {
                auto* quit = f.findChild<QAction*>(QStringLiteral("退出"));
                QVERIFY(quit);
                quit->trigger();
            },
            &menuRuns);
        QCOMPARE(closeRuns, 1);
        QCOMPARE(menuRuns, 1);
        QCOMPARE(afterClose, QStringList{files::font});
        QCOMPARE(afterMenu, afterClose);
    }
};

QTEST_MAIN(TestShutdownTriggers)
#include "tst_shutdown_triggers.moc"
