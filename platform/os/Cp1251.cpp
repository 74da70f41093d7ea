#include "Cp1251.h"

#include <QHash>
#include <QStringDecoder>
#include <array>

#include "Errors.h"

namespace {

// The upper half of the code page, read once from Qt's converter.
struct Table {
  std::array<char16_t, 128> upper{};
  QHash<char16_t, char> back;

  Table() {
    QByteArray bytes(128, '\0');
    for (int i = 0; i < 128; ++i) bytes[i] = char(0x80 + i);
    QStringDecoder decoder("windows-1251");
    const QString text = decoder.isValid() ? decoder.decode(bytes) : QString();
    for (int i = 0; i < 128; ++i) {
      const char16_t c = i < text.size() ? text.at(i).unicode() : char16_t(0xFFFD);
      upper[i] = c;
      if (c != 0xFFFD) back.insert(c, char(0x80 + i));
    }
  }
};

const Table& table() {
  static const Table t;
  return t;
}

QString describe(QChar c) {
  const QString code = QString::number(c.unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0'));
  if (c.isPrint() && !c.isSurrogate())
    return QStringLiteral("\"%1\" (U+%2)").arg(c).arg(code);
  return QStringLiteral("U+%1").arg(code);
}

}  // namespace

namespace Cp1251 {

bool canEncode(QChar c) {
  return c.unicode() < 0x80 || table().back.contains(c.unicode());
}

QByteArray encode(const QString& text) {
  const Table& t = table();
  QByteArray out;
  out.reserve(text.size());
  for (QChar c : text) {
    const char16_t u = c.unicode();
    if (u < 0x80) {
      out.append(char(u));
      continue;
    }
    auto it = t.back.constFind(u);
    if (it == t.back.constEnd())
      throw EConvertError(QStringLiteral("Character %1 cannot be represented in the Windows-1251 code page")
                              .arg(describe(c)));
    out.append(it.value());
  }
  return out;
}

QString decode(const char* bytes, qsizetype length) {
  const Table& t = table();
  QString out(length, Qt::Uninitialized);
  QChar* d = out.data();
  for (qsizetype i = 0; i < length; ++i) {
    const unsigned char b = static_cast<unsigned char>(bytes[i]);
    d[i] = QChar(b < 0x80 ? char16_t(b) : t.upper[b - 0x80]);
  }
  return out;
}

QString decode(const QByteArray& bytes) { return decode(bytes.constData(), bytes.size()); }

}  // namespace Cp1251
