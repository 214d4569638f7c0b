#include "Jet3TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace lesnor::test {

namespace {

const QString ColumnMark = QStringLiteral("<#C#>");
const QString RowMark = QStringLiteral("<#R#>");

QByteArray run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000))
        return {};
    return p.readAllStandardOutput();
}

} // namespace

QString sampleDir() {
    return qEnvironmentVariable("LESNOR_SOURCE_DIR") + QStringLiteral("/tests/data/jet3");
}

QStringList sampleFiles() {
    QStringList files;
    for (const QString& name :
         QDir(sampleDir()).entryList({QStringLiteral("*.mdb")}, QDir::Files, QDir::Name))
        files.append(sampleDir() + QLatin1Char('/') + name);
    return files;
}

bool haveMdbTools() {
    static const bool found = [] {
        const bool both = !QStandardPaths::findExecutable(QStringLiteral("mdb-export")).isEmpty() &&
                          !QStandardPaths::findExecutable(QStringLiteral("mdb-tables")).isEmpty();
        if (both)
            return true;
        // CI installs them (tools/setup-debian.sh): there their absence hides every check
        // against the independent reader, so it fails the test instead of passing it.
        if (!qEnvironmentVariable("CI").isEmpty())
            qFatal("mdb-export or mdb-tables is not installed (tools/setup-debian.sh installs mdbtools)");
        qWarning("mdb-export or mdb-tables is not installed: the checks against them are left out");
        return false;
    }();
    return found;
}

TextTable mdbExport(const QString& file, const QString& table) {
    const QString out = QString::fromUtf8(
        run(QStringLiteral("mdb-export"),
            {QStringLiteral("-d"), ColumnMark, QStringLiteral("-R"), RowMark, QStringLiteral("-Q"),
             QStringLiteral("-b"), QStringLiteral("hex"), file, table}));
    TextTable t;
    QStringList rows = out.split(RowMark);
    if (!rows.isEmpty() && rows.last().isEmpty())
        rows.removeLast();
    if (rows.isEmpty())
        return t;
    t.columns = rows.takeFirst().split(ColumnMark);
    for (const QString& r : rows)
        t.rows.append(r.split(ColumnMark));
    return t;
}

QStringList mdbTables(const QString& file) {
    QStringList tables = QString::fromUtf8(run(QStringLiteral("mdb-tables"), {QStringLiteral("-1"), file}))
                             .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString& t : tables)
        t = t.trimmed();
    return tables;
}

TextTable readTable(jet3::Database& db, const QString& table) {
    TextTable t;
    const std::optional<jet3::TableDef> def = db.table(table);
    if (!def)
        return t;
    for (const jet3::Column& c : def->columns)
        t.columns.append(c.name);
    db.scan(*def, [&](const jet3::RowCells& cells) {
        QStringList row;
        for (int i = 0; i < def->columns.size(); ++i)
            row.append(db.text(def->columns.at(i), cells[i]));
        t.rows.append(row);
        return true;
    });
    return t;
}

TextTable readTable(const QString& file, const QString& table) {
    jet3::Database db;
    if (!db.open(file))
        return {};
    return readTable(db, table);
}

bool sameText(const QString& ours, const QString& theirs) {
    if (ours.size() != theirs.size())
        return false;
    for (qsizetype i = 0; i < ours.size(); ++i) {
        if (ours.at(i) == theirs.at(i))
            continue;
        const ushort c = ours.at(i).unicode();
        if (theirs.at(i) != QLatin1Char('?') || !((c >= 0x80 && c <= 0x9F) || c == 0xFFFD))
            return false;
    }
    return true;
}

QString writeTemp(const QByteArray& bytes, const QString& name) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    f.write(bytes);
    return path;
}

quint16 slotWord(const QByteArray& file, quint32 page, int slot) {
    return jet3::u16At(file.constData() + qsizetype(page) * jet3::PageSize + 10 + 2 * slot);
}

void setSlotWord(QByteArray* file, quint32 page, int slot, quint16 word) {
    jet3::putU16(file->data() + qsizetype(page) * jet3::PageSize + 10 + 2 * slot, word);
}

int slotStart(const QByteArray& file, quint32 page, int slot) {
    return slotWord(file, page, slot) & jet3::SlotOffsetMask;
}

void putU32At(QByteArray* file, qsizetype offset, quint32 value) {
    jet3::putU32(file->data() + offset, value);
}

} // namespace lesnor::test
