// lesnor-tool: queries over a lesson database, building one from text files, and the
// dictionary.
//
//   lesnor-tool query FILE SQL       rows of one query as UTF-8 TSV, header line first
//   lesnor-tool tables FILE          the user tables and their columns
//   lesnor-tool build-db SOURCE OUT  a database from SOURCE/sentences.tsv and words.tsv
//   lesnor-tool build-dict BASE ADDITIONS OUT
//                                    the dictionary file from its base list (code page
//                                    936) and the project's additions (UTF-8)
//   lesnor-tool lookup FILE WORD     the entry the word pop-up shows for WORD: three
//                                    lines, the headword as stored, the transcription in
//                                    Unicode phonetic symbols, the meaning; exit status 1
//                                    and no output when nothing is found
//   lesnor-tool titles               every lesson with its titles: book, lesson, Chinese
//                                    title, English title (TSV, no header)
//   lesnor-tool notebook list [--db FILE]
//                                    the learner's word notebook: word, times looked
//                                    up, lesson, one TSV line each, mastered words too
//   lesnor-tool notebook export OUT [--csv] [--all] [--db FILE]
//                                    the notebook for flash cards (tab-separated notes:
//                                    word, phonetic, meaning, sentence, lesson), or as
//                                    CSV; mastered words only with --all
//   The notebook commands read the learner's record where the program keeps it
//   ($LESNOR_LEARNER_DB, else ~/.local/share/lesnor/learner.sqlite), or FILE; they
//   exit with 1 when the notebook is empty (also when the program has not yet made
//   the file), 2 when FILE or OUT cannot be read or written.
//
// Exit status 0 on success, 2 with a one-line message on stderr otherwise (also when the
// output cannot be written). Messages quote at most 80 characters of any input and
// escape control characters. Rows are written as they are read. In TSV output a
// backslash, tab, carriage return or line feed inside a value is written as \\, \t, \r
// or \n.

#include "dictionary/DictionaryBuilder.h"
#include "dictionary/DictionaryFile.h"
#include "dictionary/WordLookup.h"
#include "learner/NotebookExport.h"
#include "learner/SqliteLearnerStore.h"
#include "lessons/Catalogue.h"
#include "lessons/Jet3Reader.h"
#include "lessons/LessonDatabaseBuilder.h"
#include "lessons/LessonTitles.h"
#include "lessons/Query.h"
#include "lessons/Quoted.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <vector>

using namespace lesnor;

namespace {

constexpr int Failure = 2;
// The largest text input read (dictionary lists, lesson tables): they are a few MB.
constexpr qint64 kMaxListSize = qint64(64) << 20;

int fail(const QString& message) {
    std::fprintf(stderr, "lesnor-tool: %s\n", printable(message).toUtf8().constData());
    return Failure;
}

// False once a write to stdout has failed (a full disk, a closed pipe).
bool printLine(const QString& line) {
    const QByteArray bytes = line.toUtf8() + '\n';
    return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size());
}

int outputFailed() {
    return fail(
        QStringLiteral("cannot write the output: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
}

// Exit status once everything is written: the buffered rest must reach its place too.
int finishOutput() {
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return outputFailed();
    return 0;
}

QString tsvField(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (QChar c : value) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\t'))
            out += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else
            out += c;
    }
    return out;
}

QString tsvLine(const QStringList& values) {
    QStringList fields;
    for (const QString& v : values)
        fields.append(tsvField(v));
    return fields.join(QLatin1Char('\t'));
}

int query(const QString& file, const QString& sql) {
    QString error;
    const std::optional<Query> parsed = parseQuery(sql, &error);
    if (!parsed)
        return fail(error);
    jet3::Database db;
    if (!db.open(file))
        return fail(db.error());
    bool written = true;
    const bool ok = runQuery(
        db, *parsed, [&](const QStringList& columns) { written = printLine(tsvLine(columns)); },
        [&](const QStringList& values) { return written = written && printLine(tsvLine(values)); }, &error);
    if (!written)
        return outputFailed();
    if (!ok)
        return fail(error);
    return finishOutput();
}

int tables(const QString& file) {
    jet3::Database db;
    if (!db.open(file))
        return fail(db.error());
    // Two entries naming one definition are damage: each definition is listed once.
    std::vector<bool> listed(db.pageCount());
    QList<jet3::CatalogEntry> entries;
    QString twice;
    const bool read = db.forEachCatalogEntry([&](const jet3::CatalogEntry& entry) {
        if (!entry.isUserTable())
            return true;
        const quint32 page = entry.tableDefPage();
        if (page < listed.size() && listed[page]) {
            twice = QStringLiteral("the catalog names the table at page %1 twice (%2)")
                        .arg(page)
                        .arg(quoted(entry.name));
            return false;
        }
        if (page < listed.size())
            listed[page] = true;
        entries.append(entry);
        return true;
    });
    if (!read)
        return fail(db.error());
    if (!twice.isEmpty())
        return fail(twice);
    if (!printLine(QStringLiteral("table\tcolumn\ttype\tsize")))
        return outputFailed();
    for (const jet3::CatalogEntry& entry : entries) {
        const std::optional<jet3::TableDef> table = db.tableAt(entry.tableDefPage(), entry.name);
        if (!table)
            return fail(QStringLiteral("table %1: %2").arg(quoted(entry.name), db.error()));
        for (const jet3::Column& c : table->columns)
            if (!printLine(tsvLine({table->name, c.name, jet3::typeName(c.type), QString::number(c.size)})))
                return outputFailed();
    }
    return finishOutput();
}

// The whole of an input file. Only a regular file is read, and only up to `limit`
// bytes: a device would never end and a FIFO would wait for a writer. Opened without
// blocking, so a FIFO is refused at once.
QByteArray readInput(const QString& path, qint64 limit, QString* error) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = QStringLiteral("cannot open %1: %2")
                     .arg(quoted(path), QString::fromLocal8Bit(std::strerror(errno)));
        return {};
    }
    QFile file;
    file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        *error = QStringLiteral("%1 is not a regular file").arg(quoted(path));
        return {};
    }
    if (st.st_size > limit) {
        *error = QStringLiteral("%1 is larger than %2 MB").arg(quoted(path)).arg(limit >> 20);
        return {};
    }
    QByteArray bytes = file.read(limit + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > limit) {
        *error = QStringLiteral("cannot read %1: %2").arg(quoted(path), file.errorString());
        return {};
    }
    return bytes;
}

// Reads a UTF-8 TSV file with a header line holding (at least) `wanted`; calls `row` with
// the fields of each data line in the order of `wanted`.
bool readTsv(const QString& path, const QStringList& wanted,
             const std::function<void(const QStringList&)>& row, QString* error) {
    const QByteArray bytes = readInput(path, kMaxListSize, error);
    if (!error->isEmpty())
        return false;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) {
        *error = QStringLiteral("%1 is not valid UTF-8").arg(quoted(path));
        return false;
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    if (lines.isEmpty()) {
        *error = QStringLiteral("%1 has no header line").arg(quoted(path));
        return false;
    }
    const QStringList header = lines.first().split(QLatin1Char('\t'));
    QList<int> positions;
    for (const QString& name : wanted) {
        const int at = int(header.indexOf(name));
        if (at < 0) {
            *error = QStringLiteral("%1: the header has no column %2").arg(quoted(path), quoted(name));
            return false;
        }
        positions.append(at);
    }
    for (int n = 1; n < lines.size(); ++n) {
        const QStringList fields = lines.at(n).split(QLatin1Char('\t'));
        if (fields.size() != header.size()) {
            *error = QStringLiteral("%1 line %2: %3 fields where the header has %4")
                         .arg(quoted(path))
                         .arg(n + 1)
                         .arg(fields.size())
                         .arg(header.size());
            return false;
        }
        QStringList picked;
        for (int at : positions)
            picked.append(fields.at(at));
        row(picked);
    }
    return true;
}

int buildDb(const QString& sourceDir, const QString& out) {
    const QDir dir(sourceDir);
    QList<SentenceRow> sentences;
    QList<WordRow> words;
    QString error;
    if (!readTsv(
            dir.filePath(QStringLiteral("sentences.tsv")),
            {QStringLiteral("book"), QStringLiteral("lesson"), QStringLiteral("english"),
             QStringLiteral("chinese"), QStringLiteral("start"), QStringLiteral("end")},
            [&](const QStringList& f) {
                sentences.append(SentenceRow{f[2], f[3], f[4], f[5], f[1], f[0]});
            },
            &error))
        return fail(error);
    if (!readTsv(
            dir.filePath(QStringLiteral("words.tsv")),
            {QStringLiteral("book"), QStringLiteral("lesson"), QStringLiteral("word"),
             QStringLiteral("gloss")},
            [&](const QStringList& f) {
                words.append(WordRow{f[2], f[3], f[1], f[0]});
            },
            &error))
        return fail(error);
    const QByteArray bytes = buildLessonDatabase(sentences, words, &error);
    if (bytes.isEmpty())
        return fail(error);
    QSaveFile file(out);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(quoted(out), file.errorString()));
    return 0;
}

int buildDict(const QString& basePath, const QString& additionsPath, const QString& out) {
    QString error;
    const QByteArray base = readInput(basePath, kMaxListSize, &error);
    if (!error.isEmpty())
        return fail(error);
    const QByteArray additions = readInput(additionsPath, kMaxListSize, &error);
    if (!error.isEmpty())
        return fail(error);
    const QByteArray bytes = buildDictionary(base, additions, &error);
    if (bytes.isEmpty())
        return fail(error);
    QSaveFile file(out);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(quoted(out), file.errorString()));
    return 0;
}

int lookup(const QString& path, const QString& word) {
    QString error;
    const DictionaryText dictionary(readInput(path, kMaxListSize, &error));
    if (!error.isEmpty())
        return fail(error);
    const std::optional<DictionaryEntry> entry = lookUpWord(dictionary, word);
    if (!entry)
        return 1;
    if (!printLine(entry->headword) || !printLine(entry->phoneticIpa()) || !printLine(entry->meaning))
        return outputFailed();
    return finishOutput();
}

// The notebook commands: args are what follows "notebook".
int notebook(QStringList args) {
    QString db;
    const qsizetype dbAt = args.indexOf(QStringLiteral("--db"));
    if (dbAt >= 0) {
        if (dbAt + 1 >= args.size())
            return -1;
        db = args.at(dbAt + 1);
        args.remove(dbAt, 2);
    }
    const bool csv = args.removeAll(QStringLiteral("--csv")) > 0;
    const bool all = args.removeAll(QStringLiteral("--all")) > 0;
    const bool list = args.size() == 1 && args.at(0) == QLatin1String("list") && !csv && !all;
    const bool exporting = args.size() == 2 && args.at(0) == QLatin1String("export");
    if (!list && !exporting)
        return -1;

    const QString path = db.isEmpty() ? learnerDatabasePath() : db;
    if (db.isEmpty() && !QFileInfo::exists(path)) {
        std::fprintf(stderr, "lesnor-tool: the notebook is empty\n");
        return 1;
    }
    SqliteLearnerStore store(path, SqliteLearnerStore::Access::ReadOnly);
    if (!store.isReadable())
        return fail(QStringLiteral("cannot read %1: %2").arg(path, store.readError()));
    const QList<NotebookWord> words = notebookWords(store.load(), list || all);
    if (words.isEmpty()) {
        std::fprintf(stderr, "lesnor-tool: the notebook is empty\n");
        return 1;
    }
    if (list) {
        QList<NotebookWord> sorted = words;
        std::sort(sorted.begin(), sorted.end(), [](const NotebookWord& a, const NotebookWord& b) {
            return wordKey(a.headword) < wordKey(b.headword);
        });
        for (const NotebookWord& w : sorted) {
            if (!printLine(tsvLine({w.headword, QString::number(w.count), lessonName(w.lesson)})))
                return outputFailed();
        }
        return finishOutput();
    }
    QSaveFile out(args.at(1));
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(exportNotebook(words, csv ? ExportFormat::Csv : ExportFormat::FlashCards)) < 0 ||
        !out.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(args.at(1), out.errorString()));
    return 0;
}

// Every lesson of the catalogue with its titles: "book<TAB>lesson<TAB>Chinese<TAB>English".
int titles() {
    int bookNumber = 0;
    for (const CatalogueBook& book : catalogueBooks()) {
        ++bookNumber;
        for (int lesson = 1; lesson <= book.lessonCount; ++lesson) {
            const LessonTitle title = lessonTitle(bookNumber, lesson);
            printLine(QStringLiteral("%1\t%2\t%3\t%4")
                          .arg(bookNumber)
                          .arg(lesson)
                          .arg(title.chinese, title.english));
        }
    }
    return 0;
}

int usage() {
    std::fprintf(stderr, "usage: lesnor-tool query FILE SQL\n"
                         "       lesnor-tool --version\n"
                         "       lesnor-tool tables FILE\n"
                         "       lesnor-tool build-db SOURCE OUT\n"
                         "       lesnor-tool build-dict BASE ADDITIONS OUT\n"
                         "       lesnor-tool lookup FILE WORD\n"
                         "       lesnor-tool titles\n"
                         "       lesnor-tool notebook list [--db FILE]\n"
                         "       lesnor-tool notebook export OUT [--csv] [--all] [--db FILE]\n");
    return Failure;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 1 && args.at(0) == QLatin1String("--version")) {
        std::printf("lesnor-tool %s\n", LESNOR_VERSION);
        return 0;
    }
    if (args.size() == 3 && args.at(0) == QLatin1String("query"))
        return query(args.at(1), args.at(2));
    if (args.size() == 2 && args.at(0) == QLatin1String("tables"))
        return tables(args.at(1));
    if (args.size() == 3 && args.at(0) == QLatin1String("build-db"))
        return buildDb(args.at(1), args.at(2));
    if (args.size() == 4 && args.at(0) == QLatin1String("build-dict"))
        return buildDict(args.at(1), args.at(2), args.at(3));
    if (args.size() == 3 && args.at(0) == QLatin1String("lookup"))
        return lookup(args.at(1), args.at(2));
    if (args.size() == 1 && args.at(0) == QLatin1String("titles"))
        return titles();
    if (!args.isEmpty() && args.at(0) == QLatin1String("notebook")) {
        const int status = notebook(args.mid(1));
        if (status >= 0)
            return status;
    }
    return usage();
}
