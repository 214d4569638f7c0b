#pragma once

#include <QString>
#include <QStringView>

namespace lesnor {

// `text` for an error message: in double quotes, at most `limit` characters of it
// (a cut is marked with "..."), control characters written as \n, \t, \r or \xNN so
// that nothing but printable text reaches a terminal.
QString quoted(QStringView text, int limit = 80);

// The same escaping for a whole message, without quotes or a length limit.
QString printable(QStringView text);

} // namespace lesnor
