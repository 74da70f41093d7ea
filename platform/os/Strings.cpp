#include "Strings.h"

#include <QLocale>

namespace Strings {

namespace {
template <typename S>
S trimmed(const S& s) {
  qsizetype begin = 0, end = s.size();
  while (begin < end && static_cast<unsigned>(s.at(begin).unicode()) <= 32u) ++begin;
  while (end > begin && static_cast<unsigned>(s.at(end - 1).unicode()) <= 32u) --end;
  return s.mid(begin, end - begin);
}
}  // namespace

QString trim(const QString& text) { return trimmed(text); }

QByteArray trim(const QByteArray& bytes) {
  qsizetype begin = 0, end = bytes.size();
  while (begin < end && static_cast<unsigned char>(bytes.at(begin)) <= 32) ++begin;
  while (end > begin && static_cast<unsigned char>(bytes.at(end - 1)) <= 32) --end;
  return bytes.mid(begin, end - begin);
}

QString upperAscii(const QString& text) {
  QString out = text;
  for (QChar& c : out)
    if (c.unicode() >= u'a' && c.unicode() <= u'z') c = QChar(c.unicode() - 32);
  return out;
}

QString upperLocale(const QString& text) { return QLocale::system().toUpper(text); }

}  // namespace Strings
