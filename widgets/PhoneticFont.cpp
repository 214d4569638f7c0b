#include "widgets/PhoneticFont.h"

#include <QByteArray>
#include <QFontDatabase>
#include <QStringList>

namespace lesnor {
namespace {

QByteArray g_phoneticFamily;

} // namespace

bool addPhoneticFont(const QString& path) {
    const int fontId = QFontDatabase::addApplicationFont(path);
    if (fontId < 0)
        return false;
    const QStringList families = QFontDatabase::applicationFontFamilies(fontId);
    if (!families.isEmpty())
        g_phoneticFamily = families.first().toUtf8();
    return true;
}

const char* phoneticFontFamilyName() {
    return g_phoneticFamily.constData();
}

} // namespace lesnor
