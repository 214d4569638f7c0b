// libFuzzer target for the Jet 3 reader and the query parser. The input, padded with
// zeros to whole pages, is read as a database: catalog, every table definition, every row
// and every value, and a query over each table (all rows, and rows equal to a value taken
// from the input). The first bytes are also parsed as a query text and, when that parses,
// run. Work and memory must stay in proportion to the input: run.sh gives the target
// inputs of up to 1 MiB and a tight memory limit.

#include "lessons/Jet3Reader.h"
#include "lessons/Query.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace lesnor;
using namespace lesnor::jet3;

namespace {

void drain(Database& db, const Query& query) {
    QString error;
    runQuery(
        db, query, [](const QStringList&) {}, [](const QStringList&) { return true; }, &error);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray image(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const std::optional<Query> parsed = parseQuery(QString::fromUtf8(image.left(512)), &error);

    const qsizetype pages = std::max<qsizetype>(3, (image.size() + PageSize - 1) / PageSize);
    image.append(QByteArray(pages * PageSize - image.size(), '\0'));
    Database db;
    if (!db.openBytes(image))
        return 0;
    if (parsed)
        drain(db, *parsed);
    std::vector<bool> seen(db.pageCount());
    QList<CatalogEntry> tables;
    db.forEachCatalogEntry([&](const CatalogEntry& e) {
        if (e.isTable() && e.tableDefPage() < seen.size() && !seen[e.tableDefPage()]) {
            seen[e.tableDefPage()] = true;
            tables.append(e);
        }
        return true;
    });
    const QString literal = QString::fromLatin1(image.mid(qsizetype(size % 997), 8));
    for (const CatalogEntry& e : tables) {
        const std::optional<TableDef> table = db.tableAt(e.tableDefPage(), e.name);
        if (!table)
            continue;
        db.scan(*table, [&](const RowCells& cells) {
            for (int i = 0; i < table->columns.size(); ++i)
                db.text(table->columns.at(i), cells[i]);
            return true;
        });
        Query all{e.name, {}};
        drain(db, all);
        if (!table->columns.isEmpty()) {
            Query some{e.name, {{table->columns.last().name, literal}}};
            drain(db, some);
        }
    }
    return 0;
}
