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
//
// Exit status 0 on success, 2 with a one-line message on stderr otherwise. In TSV output
// a backslash, tab, carriage return or line feed inside a value is written as \\, \t, \r
// or \n.

#include "dictionary/DictionaryBuilder.h"
#include "dictionary/DictionaryFile.h"
#include "dictionary/WordLookup.h"
#include "lessons/Jet3Reader.h"
#include "lessons/LessonDatabaseBuilder.h"
#include "lessons/Recordset.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <cstdio>
#include <functional>

using namespace lesnor;

namespace {

constexpr int Failure = 2;

int fail(const QString& message) {
    std::fprintf(stderr, "lesnor-tool: %s\n", message.toUtf8().constData());
    return Failure;
}

void printLine(const QString& line) {
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
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
    QString source = file;
    if (source.contains(QLatin1Char(';')))
        source = QLatin1Char('"') + source + QLatin1Char('"');
    Recordset rs;
    if (!rs.open(sql, QStringLiteral("Provider=Lesnor.Jet3;Data Source=") + source + QLatin1Char(';')))
        return fail(rs.error());
    rs.requery();
    const QStringList columns = rs.columnNames();
    printLine(tsvLine(columns));
    for (; !rs.atEnd(); rs.moveNext()) {
        QStringList values;
        for (const QString& c : columns)
            values.append(rs.value(c));
        printLine(tsvLine(values));
    }
    rs.close();
    return 0;
}

int tables(const QString& file) {
    jet3::Database db;
    if (!db.open(file))
        return fail(db.error());
    printLine(QStringLiteral("table\tcolumn\ttype\tsize"));
    for (const jet3::CatalogEntry& entry : db.userTables()) {
        const std::optional<jet3::TableDef> table = db.tableAt(entry.tableDefPage(), entry.name);
        if (!table)
            return fail(QStringLiteral("table %1: %2").arg(entry.name, db.error()));
        for (const jet3::Column& c : table->columns)
            printLine(tsvLine({table->name, c.name, jet3::typeName(c.type), QString::number(c.size)}));
    }
    return 0;
}

// Reads a UTF-8 TSV file with a header line holding (at least) `wanted`; calls `row` with
// the fields of each data line in the order of `wanted`.
bool readTsv(const QString& path, const QStringList& wanted,
             const std::function<void(const QStringList&)>& row, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open %1: %2").arg(path, file.errorString());
        return false;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(file.readAll());
    if (utf8.hasError()) {
        *error = QStringLiteral("%1 is not valid UTF-8").arg(path);
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
        *error = QStringLiteral("%1 has no header line").arg(path);
        return false;
    }
    const QStringList header = lines.first().split(QLatin1Char('\t'));
    QList<int> positions;
    for (const QString& name : wanted) {
        const int at = int(header.indexOf(name));
        if (at < 0) {
            *error = QStringLiteral("%1: the header has no column %2").arg(path, name);
            return false;
        }
        positions.append(at);
    }
    for (int n = 1; n < lines.size(); ++n) {
        const QStringList fields = lines.at(n).split(QLatin1Char('\t'));
        if (fields.size() != header.size()) {
            *error = QStringLiteral("%1 line %2: %3 fields where the header has %4")
                         .arg(path)
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
        return fail(QStringLiteral("cannot write %1: %2").arg(out, file.errorString()));
    return 0;
}

QByteArray readWhole(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open %1: %2").arg(path, file.errorString());
        return {};
    }
    return file.readAll();
}

int buildDict(const QString& basePath, const QString& additionsPath, const QString& out) {
    QString error;
    const QByteArray base = readWhole(basePath, &error);
    if (!error.isEmpty())
        return fail(error);
    const QByteArray additions = readWhole(additionsPath, &error);
    if (!error.isEmpty())
        return fail(error);
    const QByteArray bytes = buildDictionary(base, additions, &error);
    if (bytes.isEmpty())
        return fail(error);
    QSaveFile file(out);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(out, file.errorString()));
    return 0;
}

int lookup(const QString& path, const QString& word) {
    bool readable = false;
    const DictionaryText dictionary = DictionaryText::read(path, &readable);
    if (!readable)
        return fail(QStringLiteral("cannot read %1").arg(path));
    const std::optional<DictionaryEntry> entry = lookUpWord(dictionary, word);
    if (!entry)
        return 1;
    printLine(entry->headword);
    printLine(entry->phoneticIpa());
    printLine(entry->meaning);
    return 0;
}

int usage() {
    std::fprintf(stderr, "usage: lesnor-tool query FILE SQL\n"
                         "       lesnor-tool --version\n"
                         "       lesnor-tool tables FILE\n"
                         "       lesnor-tool build-db SOURCE OUT\n"
                         "       lesnor-tool build-dict BASE ADDITIONS OUT\n"
                         "       lesnor-tool lookup FILE WORD\n");
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
    return usage();
}
