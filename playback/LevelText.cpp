#include "playback/LevelText.h"

#include <algorithm>

namespace lesnor {

QString levelLine(const QString& lead, double levelDb, double seconds) {
    const int steps = int(std::clamp((levelDb + 60) / 60 * 8, 0.0, 8.0));
    return QStringLiteral("%1  %2%3  %4 秒")
        .arg(lead, QString(steps, QChar(0x2588)), QString(8 - steps, QChar(0x2591)))
        .arg(seconds, 0, 'f', 1);
}

} // namespace lesnor
