#include "lessons/Jet3Format.h"

#include <array>

namespace lesnor::jet3 {

void rc4(const unsigned char* key, int keyLength, char* data, int length) {
    std::array<unsigned char, 256> s{};
    for (int i = 0; i < 256; ++i)
        s[i] = static_cast<unsigned char>(i);
    unsigned j = 0;
    for (int i = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % keyLength]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    unsigned a = 0;
    unsigned b = 0;
    for (int k = 0; k < length; ++k) {
        a = (a + 1) & 0xFF;
        b = (b + s[a]) & 0xFF;
        std::swap(s[a], s[b]);
        data[k] = char(static_cast<unsigned char>(data[k]) ^ s[(s[a] + s[b]) & 0xFF]);
    }
}

void cryptHeaderBlock(char* page0) {
    static const unsigned char key[4] = {0xC7, 0xDA, 0x39, 0x6B};
    rc4(key, 4, page0 + HeaderCipherOffset, HeaderCipherSize);
}

QByteArray codecNameForCodePage(int codePage) {
    switch (codePage) {
    case 936:
        return "GBK";
    case 950:
        return "Big5";
    case 932:
        return "Shift_JIS";
    case 949:
        return "windows-949";
    case 65001:
        return "UTF-8";
    case 0:
        return {};
    default:
        return "windows-" + QByteArray::number(codePage);
    }
}

QString typeName(quint8 type) {
    switch (type) {
    case TypeBoolean:
        return QStringLiteral("Boolean");
    case TypeByte:
        return QStringLiteral("Byte");
    case TypeInteger:
        return QStringLiteral("Integer");
    case TypeLong:
        return QStringLiteral("Long");
    case TypeCurrency:
        return QStringLiteral("Currency");
    case TypeSingle:
        return QStringLiteral("Single");
    case TypeDouble:
        return QStringLiteral("Double");
    case TypeDateTime:
        return QStringLiteral("DateTime");
    case TypeBinary:
        return QStringLiteral("Binary");
    case TypeText:
        return QStringLiteral("Text");
    case TypeOle:
        return QStringLiteral("OLE");
    case TypeMemo:
        return QStringLiteral("Memo");
    case TypeGuid:
        return QStringLiteral("GUID");
    default:
        return QStringLiteral("Type0x%1").arg(type, 2, 16, QLatin1Char('0'));
    }
}

} // namespace lesnor::jet3
