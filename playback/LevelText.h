#pragma once

#include <QString>

namespace lesnor {

// A notice line for a recording running now: `lead`, a bar of eight steps for the level
// (-60 dBFS empty, full scale full) and the seconds, "● 录音中  █████░░░  3.2 秒".
QString levelLine(const QString& lead, double levelDb, double seconds);

} // namespace lesnor
