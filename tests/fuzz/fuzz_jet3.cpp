// libFuzzer target for the Jet 3 reader and the query parser. The input, padded with
// zeros to whole pages, is read as a database: catalog, every table definition, every row
// and every value. The same bytes are also parsed as a query text.

#include "lessons/Jet3Reader.h"
#include "lessons/Query.h"

#include <cstddef>
#include <cstdint>

using namespace lesnor;
using namespace lesnor::jet3;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray image(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    parseQuery(QString::fromUtf8(image.left(512)), &error);

    const qsizetype pages = std::max<qsizetype>(3, (image.size() + PageSize - 1) / PageSize);
    image.append(QByteArray(pages * PageSize - image.size(), '\0'));
    Database db;
    if (!db.openBytes(image))
        return 0;
    for (const CatalogEntry& e : db.catalog()) {
        if (!e.isTable())
            continue;
        const std::optional<TableDef> table = db.tableAt(e.tableDefPage(), e.name);
        if (!table)
            continue;
        db.scan(*table, [&](const RowCells& cells) {
            for (int i = 0; i < table->columns.size(); ++i)
                db.text(table->columns.at(i), cells[i]);
            return true;
        });
    }
    return 0;
}
