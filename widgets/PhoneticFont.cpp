#include "widgets/PhoneticFont.h"

#include "platform/LeakCheck.h"

#include <QByteArray>
#include <QFontDatabase>
#include <QStringList>

namespace lesnor {
namespace {

QByteArray g_phoneticFamily;

} // namespace

bool addPhoneticFont(const QString& path) {
    int fontId = -1;
    {
        // fontconfig keeps the font's description (made by FcFreeTypeQuery, and the
        // configuration FcConfigGetFonts loads when this is its first use) for the life of
        // the process, linked by offsets instead of pointers: the leak checker would report
        // those blocks as lost. Only this call's own allocations are left out of it.
        const LeakCheckPause pause;
        fontId = QFontDatabase::addApplicationFont(path);
    }
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
