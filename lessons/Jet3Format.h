#pragma once

#include <QByteArray>
#include <QString>
#include <cstring>

// Layout constants and small helpers shared by the Jet 3 reader and writer.
namespace lesnor::jet3 {

constexpr int PageSize = 2048;
constexpr int DataHeaderSize = 10;   // type, 0x01, free bytes, owner, slot count
constexpr int MaxSlotsPerPage = 255; // slot numbers are one byte in row pointers
constexpr quint16 SlotOffsetMask = 0x1FFF;
constexpr quint16 SlotMoved = 0x4000;   // home slot: the row's data lies elsewhere
constexpr quint16 SlotSkipped = 0x8000; // deleted row, or the data of a moved row
constexpr quint16 SlotDeleted = 0xC000;

constexpr char PageHeader = 0x00;
constexpr char PageData = 0x01;
constexpr char PageTableDef = 0x02;
constexpr char PageUsageBitmap = 0x05;

constexpr quint32 CatalogPage = 2;
// Bytes 0x18..0x95 of page 0 are RC4-obfuscated with this key.
constexpr int HeaderCipherOffset = 0x18;
constexpr int HeaderCipherSize = 126;
constexpr int HeaderVersionOffset = 0x14;
constexpr int HeaderSortOrderOffset = 0x3A;
constexpr int HeaderCodePageOffset = 0x3C;
constexpr int HeaderDatabaseKeyOffset = 0x3E;

// Pages covered by one extended usage-map bitmap page (type 0x05).
constexpr quint32 PagesPerBitmapPage = (PageSize - 4) * 8;

// Column type codes.
enum ColumnType : quint8 {
    TypeBoolean = 0x01,
    TypeByte = 0x02,
    TypeInteger = 0x03,
    TypeLong = 0x04,
    TypeCurrency = 0x05,
    TypeSingle = 0x06,
    TypeDouble = 0x07,
    TypeDateTime = 0x08,
    TypeBinary = 0x09,
    TypeText = 0x0A,
    TypeOle = 0x0B,
    TypeMemo = 0x0C,
    TypeGuid = 0x0F,
};

constexpr quint8 ColumnFixed = 0x01;
constexpr quint8 ColumnNullable = 0x02;

// Long-value header word flags (first u32 of a Memo/OLE value).
constexpr quint32 LongValueInline = 0x80000000u;
constexpr quint32 LongValueSingle = 0x40000000u;
constexpr quint32 LongValueLengthMask = 0x3FFFFFFFu;
constexpr int LongValueHeaderSize = 12;

inline quint16 u16At(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return quint16(b[0] | (b[1] << 8));
}

inline quint32 u32At(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return quint32(b[0]) | (quint32(b[1]) << 8) | (quint32(b[2]) << 16) | (quint32(b[3]) << 24);
}

inline void putU16(char* p, quint16 v) {
    p[0] = char(v & 0xFF);
    p[1] = char(v >> 8);
}

inline void putU32(char* p, quint32 v) {
    for (int i = 0; i < 4; ++i)
        p[i] = char((v >> (8 * i)) & 0xFF);
}

inline quint32 rowPointer(quint32 page, quint32 slot) {
    return (page << 8) | (slot & 0xFF);
}

// RC4 applied in place (the same operation encrypts and decrypts).
void rc4(const unsigned char* key, int keyLength, char* data, int length);
// The fixed key of the page-0 block.
void cryptHeaderBlock(char* page0);

// Name of the text codec for a Windows code page ("GBK" for 936); empty if unknown.
QByteArray codecNameForCodePage(int codePage);

// Human-readable name of a column type ("Text", "Memo", "Long").
QString typeName(quint8 type);

} // namespace lesnor::jet3
