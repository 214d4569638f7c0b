#include "dictionary/DictionaryFile.h"

#include "dictionary/CodePage936.h"
#include "dictionary/Phonetic.h"

#include <QFile>
#include <algorithm>
#include <cstring>

namespace lesnor {
namespace {

char foldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// The key's bytes after the "$" (candidate + "["), and for each byte whether it is a
// one-byte character whose case is ignored. False when the candidate has a character
// the code page cannot hold: no record can match it then.
bool encodeKey(const QString& candidate, QByteArray* key, QByteArray* foldable) {
    for (qsizetype i = 0; i < candidate.size(); ++i) {
        const char16_t c = candidate.at(i).unicode();
        if (c < 0x80) { // ASCII is itself in the code page
            key->append(char(c));
            foldable->append('\1');
            continue;
        }
        const qsizetype width = candidate.at(i).isHighSurrogate() && i + 1 < candidate.size() ? 2 : 1;
        const std::optional<QByteArray> bytes = toCodePage936(QStringView(candidate).mid(i, width));
        if (!bytes || bytes->isEmpty())
            return false;
        key->append(*bytes);
        foldable->append(QByteArray(bytes->size(), bytes->size() == 1 ? '\1' : '\0'));
        i += width - 1;
    }
    key->append('[');
    foldable->append('\0');
    return true;
}

} // namespace

QString DictionaryEntry::phoneticIpa() const {
    return phoneticToIpa(phoneticField);
}

DictionaryText::DictionaryText(QByteArray bytes)
    : line_(std::move(bytes)) {
    const qsizetype cr = line_.indexOf('\r');
    const qsizetype lf = line_.indexOf('\n');
    if (cr >= 0 || lf >= 0)
        line_.truncate(cr < 0 ? lf : lf < 0 ? cr : std::min(cr, lf));
}

DictionaryText DictionaryText::read(const QString& path, bool* readable) {
    QFile file(path);
    const bool opened = file.open(QIODevice::ReadOnly);
    if (readable)
        *readable = opened;
    if (!opened)
        return {};
    return DictionaryText(file.readAll());
}

qsizetype DictionaryText::find(const QString& candidate) const {
    QByteArray key;
    QByteArray foldable;
    if (!encodeKey(candidate, &key, &foldable))
        return -1;
    const char* data = line_.constData();
    const char* end = data + line_.size();
    const qsizetype length = key.size();
    for (const char* p = data; p < end;) {
        const char* mark = static_cast<const char*>(std::memchr(p, '$', size_t(end - p)));
        if (!mark || end - mark - 1 < length)
            break;
        p = mark + 1;
        const char* at = mark + 1;
        qsizetype k = 0;
        for (; k < length; ++k) {
            const char a = at[k];
            const char b = key.at(k);
            if (a != b && !(foldable.at(k) && foldAscii(a) == foldAscii(b)))
                break;
        }
        if (k == length)
            return mark - data;
    }
    return -1;
}

DictionaryEntry DictionaryText::split(qsizetype offset) const {
    DictionaryEntry entry;
    if (offset < 0 || offset >= line_.size())
        return entry;
    const qsizetype next = line_.indexOf('$', offset + 1);
    if (next < 0)
        return entry;
    const QString record = fromCodePage936(QByteArrayView(line_.constData() + offset + 1, next - offset - 1));
    const qsizetype open = record.indexOf(u'[');
    if (open < 0)
        return entry;
    entry.headword = record.left(open);
    const qsizetype close = record.indexOf(u']', open + 1);
    if (close < 0) {
        entry.meaning = record.mid(open + 1);
    } else {
        entry.phoneticField = record.mid(open + 1, close - open - 1);
        entry.meaning = record.mid(close + 1);
    }
    entry.phonetic = convertPhonetic(entry.phoneticField);
    return entry;
}

} // namespace lesnor
