// The command-line tool on files built to make a reader work far beyond their size: for
// each file the wall time and the tool's peak memory (max RSS) of one run, output thrown
// away, each run stopped after 60 s.
//   hostile_shared_memo_*     `query` over 2000 rows whose Memo all name one 1 MB chain
//   hostile_def_chain_*       `tables` over 3300 catalogue entries naming one definition
//                             that continues over 3300 more pages
//   large_query_*             `query` over every row of a sound 64 MB database (170,000
//                             rows with a 300-character Memo): the size goal's yardstick
//   tool_base_max_rss         the tool's peak memory for a file that does not exist
// With a folder argument the files are written there instead. The measuring process
// lets a child of its own build the files, so that its memory stays small: a forked
// run starts out with its parent's resident size.

#include "HostileDatabases.h"
#include "lessons/Jet3Writer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace lesnor::test;

namespace {

struct Case {
    const char* name;
    QByteArray bytes;
    QStringList unused;
};

QByteArray largeDatabase() {
    using namespace lesnor::jet3;
    Writer w(1252);
    const int t = w.addTable(QStringLiteral("big"),
                             {{QStringLiteral("name"), TypeText, 20}, {QStringLiteral("note"), TypeMemo, 0}});
    const QString note = QString(300, QLatin1Char('n'));
    for (int i = 0; i < 170000; ++i) {
        WriterRow r;
        r.values = {QStringLiteral("row %1").arg(i), note};
        w.addRow(t, r);
    }
    return w.build();
}

bool save(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

void measure(const char* name, const QString& tool, const QStringList& args, qint64 fileBytes,
             bool timeToo = true) {
    QElapsedTimer clock;
    clock.start();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int devNull = ::open("/dev/null", O_WRONLY);
        ::dup2(devNull, 1);
        ::dup2(devNull, 2);
        QList<QByteArray> bytes{QFile::encodeName(tool)};
        for (const QString& a : args)
            bytes.append(a.toUtf8());
        QList<char*> argv;
        for (QByteArray& b : bytes)
            argv.append(b.data());
        argv.append(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage {};
    bool killed = false;
    while (::wait4(pid, &status, WNOHANG, &usage) == 0) {
        if (clock.elapsed() > 60000 && !killed) {
            ::kill(pid, SIGKILL);
            killed = true;
        }
        ::usleep(2000);
    }
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (timeToo)
        std::printf("%s_s: %.2f s (%s, file %.1f MB, exit %d)\n", name, seconds,
                    killed ? "stopped after 60 s" : "finished", double(fileBytes) / 1e6, code);
    std::printf("%s_max_rss: %.1f MB (peak resident memory of lesnor-tool)\n", name,
                double(usage.ru_maxrss) / 1024.0);
}

} // namespace

struct Run {
    const char* name;
    QStringList args; // FILE stands for the case's file
};

QList<Case> buildCases() {
    return {
        {"hostile_shared_memo", sharedMemoDatabase(2000, 1'000'000), {}},
        {"hostile_def_chain", longDefinitionChainDatabase(3300, 3300), {}},
        {"large_query", largeDatabase(), {}},
    };
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList rest = app.arguments().mid(1);
    if (!rest.isEmpty()) {
        for (const Case& c : buildCases()) {
            const QString path =
                QDir(rest.first()).filePath(QString::fromLatin1(c.name) + QStringLiteral(".mdb"));
            if (c.bytes.isEmpty() || !save(path, c.bytes))
                return 1;
        }
        return 0;
    }
    QTemporaryDir temp;
    const pid_t builder = ::fork();
    if (builder == 0) {
        ::execl(argv[0], argv[0], QFile::encodeName(temp.path()).constData(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(builder, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::printf("hostile_shared_memo_s: skipped (the files could not be built)\n");
        return 0;
    }
    const QString tool = QCoreApplication::applicationDirPath() + QStringLiteral("/../lesnor-tool");
    measure("tool_base", tool, {QStringLiteral("tables"), temp.filePath(QStringLiteral("none.mdb"))}, 0,
            false);
    const QList<Run> runs = {
        {"hostile_shared_memo",
         {QStringLiteral("query"), QStringLiteral("FILE"), QStringLiteral("select * from m")}},
        {"hostile_def_chain", {QStringLiteral("tables"), QStringLiteral("FILE")}},
        {"large_query",
         {QStringLiteral("query"), QStringLiteral("FILE"), QStringLiteral("select * from big")}},
    };
    for (const Run& r : runs) {
        const QString path = temp.filePath(QString::fromLatin1(r.name) + QStringLiteral(".mdb"));
        QStringList args = r.args;
        args.replaceInStrings(QStringLiteral("FILE"), path);
        measure(r.name, tool, args, QFileInfo(path).size());
    }
    return 0;
}
