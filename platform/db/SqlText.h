#pragma once

#include <QString>
#include <QStringList>

namespace SqlText {

// A statement's text: every line followed by CR LF, the last one too.
QString join(const QStringList& lines);

// Text with every :NAME outside string literals, quoted names and comments
// replaced by "?"; the names in order of appearance (repeats included).
struct Parsed {
  QString text;
  QStringList names;
};
Parsed parseParams(const QString& sql);

}  // namespace SqlText
