#pragma once

#include <QByteArray>
#include <QString>

// Windows-1251, the code page of the database connection and of the text files
// the programs exchange. Text inside the programs is QString; bytes live only at
// the edges.
namespace Cp1251 {

// Bytes for the text. A character the code page cannot hold raises EConvertError
// naming it; nothing is ever replaced by "?".
QByteArray encode(const QString& text);

// Text for the bytes; every byte has a character.
QString decode(const QByteArray& bytes);
QString decode(const char* bytes, qsizetype length);

// Whether the character has a byte in the code page.
bool canEncode(QChar c);

}  // namespace Cp1251
