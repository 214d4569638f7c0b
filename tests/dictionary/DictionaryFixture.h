#pragma once

#include <QByteArray>
#include <QStringEncoder>
#include <QStringList>

namespace lesnor::test {

// A dictionary file's bytes in the carried layout: the records (each without its "$")
// on one line, the end marker "$" unless `endMarker` is false, CR LF, two NUL bytes.
inline QByteArray dictionaryBytes(const QStringList& records, bool endMarker = true) {
    QString line;
    for (const QString& r : records)
        line += QLatin1Char('$') + r;
    if (endMarker)
        line += QLatin1Char('$');
    QStringEncoder gbk("GBK");
    QByteArray bytes = gbk.encode(line);
    bytes += QByteArray("\r\n\0\0", 4);
    return bytes;
}

} // namespace lesnor::test
