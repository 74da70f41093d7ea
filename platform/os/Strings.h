#pragma once

#include <QByteArray>
#include <QString>

namespace Strings {

// Removes leading and trailing characters with codes 0 to 32.
QString trim(const QString& text);
QByteArray trim(const QByteArray& bytes);

// Upper-cases the ASCII letters a to z only.
QString upperAscii(const QString& text);
// Upper-cases by the system locale's rules, Cyrillic letters included.
QString upperLocale(const QString& text);

}  // namespace Strings
