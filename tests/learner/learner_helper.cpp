// The learner tests' child process.
//   learner_helper probe FILE       opens the record for writing; prints
//                                   "<saving 0|1> <words> <a save succeeded 0|1>" and
//                                   the store's problem on a second line
//   learner_helper write FILE FIRST saves look-ups of "w<FIRST>", "w<FIRST+1>", ...
//                                   until killed, printing each number once it is
//                                   committed

#include "learner/SqliteLearnerStore.h"

#include <QCoreApplication>
#include <cstdio>

using namespace lesnor;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 2 && args.at(0) == QLatin1String("probe")) {
        SqliteLearnerStore store(args.at(1));
        const int words = int(store.load().words.size());
        NotebookWord probe;
        probe.headword = QStringLiteral("probe");
        const bool saved = store.save(change::LookedUp{probe, QDateTime::currentDateTimeUtc()});
        std::printf("%d %d %d\n%s\n", store.isSaving() ? 1 : 0, words, saved ? 1 : 0,
                    store.problem().toUtf8().constData());
        return 0;
    }
    if (args.size() == 3 && args.at(0) == QLatin1String("write")) {
        SqliteLearnerStore store(args.at(1));
        if (!store.isSaving())
            return 1;
        for (int i = args.at(2).toInt();; ++i) {
            NotebookWord w;
            w.headword = QStringLiteral("w%1").arg(i);
            w.sentence = QStringLiteral("Sentence %1 of the kill test.").arg(i);
            if (!store.save(change::LookedUp{w, QDateTime::currentDateTimeUtc()}) ||
                !store.save(change::PlaceReached{{{1, 1}, i}}))
                return 1;
            std::printf("%d\n", i);
            std::fflush(stdout);
        }
    }
    return 2;
}
