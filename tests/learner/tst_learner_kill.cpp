// Killed at any moment, the record keeps every committed action: a child saves look-ups
// in a loop and prints each one once committed; it is killed (SIGKILL) at random
// moments, and each time the file opens whole and holds every word printed so far.

#include "learner/SqliteLearnerStore.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace lesnor;

class LearnerKillTest : public QObject {
    Q_OBJECT
private slots:
    void everyCommittedRowSurvivesAKill();
};

void LearnerKillTest::everyCommittedRowSurvivesAKill() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("learner.sqlite"));
    const QString helper = QCoreApplication::applicationDirPath() + QStringLiteral("/learner_helper");
    QRandomGenerator random(20261207);
    constexpr int rounds = 15;
    int next = 0;      // the first number the next child writes
    int committed = 0; // rows the children reported committed
    int beyond = 0;    // rows found that were committed but not yet reported
    for (int round = 0; round < rounds; ++round) {
        QProcess child;
        child.start(helper, {QStringLiteral("write"), path, QString::number(next)});
        QVERIFY(child.waitForStarted());
        // Wait for its first commit, then a random further moment, then kill it.
        QElapsedTimer waited;
        waited.start();
        while (!child.canReadLine() && waited.elapsed() < 60000)
            child.waitForReadyRead(100);
        QTest::qWait(int(random.bounded(5, 300)));
        child.kill();
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        const QStringList printed =
            QString::fromLatin1(child.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY(!printed.isEmpty());
        const int last = printed.constLast().toInt();
        committed += last - next + 1;

        SqliteLearnerStore store(path);
        QVERIFY2(store.isSaving() && store.movedAsidePath().isEmpty(), qPrintable(store.problem()));
        const LearnerSnapshot s = store.load();
        for (int i = 0; i <= last; ++i)
            QVERIFY2(s.words.contains(QStringLiteral("w%1").arg(i)),
                     qPrintable(QStringLiteral("w%1").arg(i)));
        // At most the action under way when the kill came is there beyond the printed ones.
        const int found = int(s.words.size());
        QVERIFY(found == last + 1 || found == last + 2);
        beyond += found - (last + 1);
        QVERIFY(s.place && s.place->sentence >= last - 1);
        next = found;
    }
    qInfo().noquote()
        << QStringLiteral("kill_test_rounds: %1 rounds (SIGKILL at random moments)").arg(rounds);
    qInfo().noquote() << QStringLiteral("kill_test_rows_committed: %1 rows (each reported by the child after "
                                        "its commit; all found after every kill)")
                             .arg(committed);
    qInfo().noquote() << QStringLiteral("kill_test_rows_lost: 0 rows (%1 rows committed but not yet reported "
                                        "were found too)")
                             .arg(beyond);
}

QTEST_GUILESS_MAIN(LearnerKillTest)
#include "tst_learner_kill.moc"
