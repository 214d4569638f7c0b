#pragma once

#include "lessons/Jet3Reader.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace lesnor::test {

// A table as text: the header (column names) and the rows.
struct TextTable {
    QStringList columns;
    QList<QStringList> rows;
};

// The folder of the copied sample databases.
QString sampleDir();
QStringList sampleFiles();

// True if the independent reader (mdb-export, mdb-tables) is installed; under CI (CI
// set) its absence ends the test with a failure instead.
bool haveMdbTools();
// Every row of `table` as mdb-export prints it (NULL as ""), header included.
TextTable mdbExport(const QString& file, const QString& table);
// The user tables that mdb-tables lists.
QStringList mdbTables(const QString& file);

// Every row of `table` as our reader gives it (jet3::Database::text for each column).
TextTable readTable(jet3::Database& db, const QString& table);
TextTable readTable(const QString& file, const QString& table);

// Equal, except that a '?' of mdb-export (a byte without a mapping in the code page) may
// stand for one control or replacement character of ours.
bool sameText(const QString& ours, const QString& theirs);

// Writes `bytes` to a fresh file under the system temporary folder; returns its path.
QString writeTemp(const QByteArray& bytes, const QString& name = QStringLiteral("t.mdb"));

// Little helpers for patching file images in place.
quint16 slotWord(const QByteArray& file, quint32 page, int slot);
void setSlotWord(QByteArray* file, quint32 page, int slot, quint16 word);
int slotStart(const QByteArray& file, quint32 page, int slot);
void putU32At(QByteArray* file, qsizetype offset, quint32 value);

} // namespace lesnor::test
