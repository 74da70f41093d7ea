#include "Field.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>

#include "DbErrors.h"
#include "IBCustomDataSet.h"
#include "os/Cp1251.h"
#include "os/System.h"

namespace {

bool isText(TFieldType t) { return t == ftString || t == ftFixedChar || t == ftMemo; }

QString floatText(double d) {
  QString s = QString::number(d, 'g', 15);
  const QString point = QLocale::system().decimalPoint();
  if (point != QLatin1String(".")) s.replace(QLatin1Char('.'), point);
  return s;
}

// A number as a person types it, read by the system locale's rules: its
// decimal separator, its group separator only where groups of three digits
// put it, blanks around the number ignored. Where the locale's decimal
// separator is a comma, a point that groups nothing there is taken as one too.
// A locale that writes other digits also takes the ASCII ones.
QString typedNumberText(const QLocale& locale, const QString& text) {
  QString t = text.trimmed();
  const QString point = locale.decimalPoint();
  if (point != QLatin1String(".") && locale.groupSeparator() != QLatin1String(".") && !t.contains(point))
    t.replace(QLatin1Char('.'), point);
  return t;
}

bool latinDigitsToo(const QLocale& locale) { return locale.zeroDigit() != QLatin1String("0"); }

// Where a comma is the decimal separator and a point groups nothing, a point
// is taken as a decimal separator too; but a point followed by just three
// digits may as well group thousands ("45.000" meant as forty-five thousand,
// as in German): such a number is refused rather than stored as 45. A comma
// there is the locale's own separator ("0,125").
bool mayGroupThousands(const QLocale& locale, const QString& text) {
  if (locale.decimalPoint() != QLatin1String(",") || locale.groupSeparator() == QLatin1String(".")) return false;
  static const QRegularExpression pattern(QStringLiteral("^[+-]?[0-9]+[.][0-9]{3}$"));
  return pattern.match(text.trimmed()).hasMatch();
}

double parseFloat(const QString& text, const QString& fieldName) {
  const QLocale locale = QLocale::system();
  bool ok = false;
  double d = mayGroupThousands(locale, text) ? 0.0 : locale.toDouble(typedNumberText(locale, text), &ok);
  if (!ok && latinDigitsToo(locale)) d = QLocale::c().toDouble(text.trimmed(), &ok);
  // "nan", "inf" and numbers beyond a double are no value a field can hold.
  if (!ok || !std::isfinite(d))
    throw EConvertError(QStringLiteral("'%1' is not a valid floating point value for field '%2'").arg(text, fieldName));
  return d;
}

qint64 parseInteger(const QString& text, const QString& fieldName) {
  const QLocale locale = QLocale::system();
  bool ok = false;
  qint64 n = locale.toLongLong(text.trimmed(), &ok);
  if (!ok && latinDigitsToo(locale)) n = QLocale::c().toLongLong(text.trimmed(), &ok);
  if (!ok) throw EConvertError(QStringLiteral("'%1' is not a valid integer value for field '%2'").arg(text, fieldName));
  return n;
}

}  // namespace

QVariant TField::toValue(const QVariant& stored) const {
  if (!stored.isValid() || stored.isNull()) return QVariant();
  if (isText(dataType_)) return Cp1251::decode(stored.toByteArray());
  return stored;
}

QString TField::toText(const QVariant& stored) const {
  if (!stored.isValid() || stored.isNull()) return QString();
  switch (dataType_) {
    case ftString:
    case ftFixedChar:
    case ftMemo:
      return Cp1251::decode(stored.toByteArray());
    case ftBlob:
      return QString::fromLatin1(stored.toByteArray().toHex());
    case ftFloat:
    case ftBCD:
      return floatText(stored.toDouble());
    case ftDate:
      return QLocale::system().toString(stored.toDateTime().date(), QLocale::ShortFormat);
    case ftTime:
      return System::longTimeText(stored.toTime());
    case ftDateTime: {
      const QDateTime dt = stored.toDateTime();
      QString s = QLocale::system().toString(dt.date(), QLocale::ShortFormat);
      if (dt.time() != QTime(0, 0)) s += QLatin1Char(' ') + System::longTimeText(dt.time());
      return s;
    }
    case ftBoolean:
      return stored.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
      return stored.toString();
  }
}

static const QVariant& nullValue() {
  static const QVariant v;
  return v;
}

#define STORED (dataSet_->storedValue(index_) ? *dataSet_->storedValue(index_) : nullValue())

bool TField::isNull() const { return !STORED.isValid() || STORED.isNull(); }

QString TField::asString() const { return toText(STORED); }

int TField::asInteger() const { return int(asLargeInt()); }

qint64 TField::asLargeInt() const {
  const QVariant& v = STORED;
  if (!v.isValid() || v.isNull()) return 0;
  if (isText(dataType_)) return parseInteger(asString(), fieldName_);
  if (v.typeId() == QMetaType::Double) return qint64(std::llround(v.toDouble()));
  return v.toLongLong();
}

double TField::asFloat() const {
  const QVariant& v = STORED;
  if (!v.isValid() || v.isNull()) return 0.0;
  if (isText(dataType_)) return parseFloat(asString(), fieldName_);
  return v.toDouble();
}

QDateTime TField::asDateTime() const {
  const QVariant& v = STORED;
  if (!v.isValid() || v.isNull()) return QDateTime();
  if (v.typeId() == QMetaType::QTime) return QDateTime(QDate(1899, 12, 30), v.toTime());
  return v.toDateTime();
}

bool TField::asBoolean() const {
  const QVariant& v = STORED;
  return v.isValid() && !v.isNull() && v.toBool();
}

QByteArray TField::asBytes() const {
  const QVariant& v = STORED;
  if (!v.isValid() || v.isNull()) return QByteArray();
  if (v.typeId() == QMetaType::QByteArray) return v.toByteArray();
  return Cp1251::encode(asString());
}

QVariant TField::value() const { return toValue(STORED); }

QString TField::displayText() const { return asString(); }

#undef STORED

void TField::setStored(const QVariant& v) { dataSet_->setStoredValue(index_, v); }

void TField::setAsString(const QString& v) {
  switch (dataType_) {
    case ftSmallint:
    case ftInteger:
    case ftLargeint:
      return setStored(v.trimmed().isEmpty() ? QVariant() : QVariant(qlonglong(parseInteger(v, fieldName_))));
    case ftFloat:
    case ftBCD:
      return setStored(v.trimmed().isEmpty() ? QVariant() : QVariant(parseFloat(v, fieldName_)));
    case ftDate:
    case ftDateTime: {
      if (v.trimmed().isEmpty()) return setStored(QVariant());
      QDateTime dt = QLocale::system().toDateTime(v.trimmed(), QLocale::ShortFormat);
      if (!dt.isValid()) dt = QLocale::system().toDate(v.trimmed(), QLocale::ShortFormat).startOfDay();
      if (!dt.isValid()) throw EConvertError(QStringLiteral("'%1' is not a valid date").arg(v));
      return setStored(dt);
    }
    default:
      return setStored(Cp1251::encode(v));
  }
}

void TField::setAsInteger(int v) {
  if (isText(dataType_)) return setStored(QByteArray::number(v));
  if (dataType_ == ftFloat || dataType_ == ftBCD) return setStored(double(v));
  setStored(dataType_ == ftLargeint ? QVariant(qlonglong(v)) : QVariant(v));
}

void TField::setAsFloat(double v) {
  if (isText(dataType_)) return setStored(Cp1251::encode(floatText(v)));
  if (dataType_ == ftSmallint || dataType_ == ftInteger) return setStored(int(std::llround(v)));
  if (dataType_ == ftLargeint) return setStored(qlonglong(std::llround(v)));
  setStored(v);
}

void TField::setAsDateTime(const QDateTime& v) {
  if (isText(dataType_)) return setStored(Cp1251::encode(toText(v)));
  setStored(v);
}

void TField::setAsBytes(const QByteArray& v) { setStored(v); }

void TField::setNull() { setStored(QVariant()); }

void TField::setValue(const QVariant& v) {
  if (!v.isValid() || v.isNull()) return setNull();
  switch (v.typeId()) {
    case QMetaType::QString: return setAsString(v.toString());
    case QMetaType::QByteArray: return setAsBytes(v.toByteArray());
    case QMetaType::Double:
    case QMetaType::Float: return setAsFloat(v.toDouble());
    case QMetaType::QDateTime: return setAsDateTime(v.toDateTime());
    case QMetaType::QDate: return setAsDateTime(v.toDate().startOfDay());
    case QMetaType::Bool: return setStored(v.toBool());
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
      if (isText(dataType_)) return setStored(QByteArray::number(v.toLongLong()));
      return setStored(dataType_ == ftFloat || dataType_ == ftBCD ? QVariant(v.toDouble()) : QVariant(v.toLongLong()));
    default: return setAsInteger(v.toInt());
  }
}
