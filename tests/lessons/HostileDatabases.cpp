#include "HostileDatabases.h"

#include "lessons/Jet3Reader.h"
#include "lessons/Jet3Writer.h"

#include <cstring>

namespace lesnor::test {

using namespace jet3;

namespace {

// Byte offset in `image` of a cell the reader returned for it.
qsizetype offsetIn(const QByteArray& image, const char* p) {
    return p - image.constData();
}

} // namespace

QByteArray sharedMemoDatabase(int rows, int memoBytes) {
    Writer w(1252);
    const int t = w.addTable(QStringLiteral("m"),
                             {{QStringLiteral("name"), TypeText, 20}, {QStringLiteral("note"), TypeMemo, 0}});
    for (int i = 0; i < rows; ++i) {
        WriterRow r;
        r.values = {QString::number(i), i == 0 ? QString(memoBytes, QLatin1Char('x')) : QStringLiteral("y")};
        r.memoForm = i == 0 ? MemoForm::Chained : MemoForm::SingleRow;
        w.addRow(t, r);
    }
    QByteArray image = w.build();
    QList<qsizetype> headers;
    {
        Database db;
        if (!db.openBytes(image))
            return {};
        const std::optional<TableDef> table = db.table(QStringLiteral("m"));
        if (!table)
            return {};
        db.scan(*table, [&](const RowCells& cells) {
            headers.append(offsetIn(image, cells[1].data));
            return true;
        });
    }
    if (headers.size() != rows)
        return {};
    QByteArray patched = image;
    for (int i = 1; i < rows; ++i)
        std::memcpy(patched.data() + headers.at(i), image.constData() + headers.at(0), LongValueHeaderSize);
    return patched;
}

QByteArray longDefinitionChainDatabase(int tables, int extraPages) {
    Writer w(1252);
    for (int i = 0; i < tables; ++i)
        w.addTable(QStringLiteral("t%1").arg(i), {{QStringLiteral("c"), TypeText, 10}});
    QByteArray image = w.build();
    quint32 first = 0;
    QList<qsizetype> ids;
    {
        Database db;
        if (!db.openBytes(image))
            return {};
        const std::optional<TableDef> catalog = db.tableAt(CatalogPage);
        const std::optional<TableDef> t0 = db.table(QStringLiteral("t0"));
        if (!catalog || !t0)
            return {};
        first = t0->page;
        const int id = catalog->columnIndex(QStringLiteral("Id"));
        const int type = catalog->columnIndex(QStringLiteral("Type"));
        db.scan(*catalog, [&](const RowCells& cells) {
            if (db.text(catalog->columns.at(type), cells[type]) == QLatin1String("1") &&
                u32At(cells[id].data) != CatalogPage)
                ids.append(offsetIn(image, cells[id].data));
            return true;
        });
    }
    QByteArray patched = image;
    for (qsizetype at : ids)
        putU32(patched.data() + at, first);
    // t0's definition is one page: chain the new pages behind it.
    const quint32 pageCount = quint32(patched.size() / PageSize);
    putU32(patched.data() + qsizetype(first) * PageSize + 4, pageCount);
    for (int i = 0; i < extraPages; ++i) {
        QByteArray page(PageSize, '\0');
        page[0] = PageTableDef;
        page[1] = 0x01;
        page[2] = 'V';
        page[3] = 'C';
        if (i + 1 < extraPages)
            putU32(page.data() + 4, pageCount + quint32(i) + 1);
        patched += page;
    }
    return patched;
}

} // namespace lesnor::test
