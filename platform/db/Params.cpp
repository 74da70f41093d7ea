#include "Params.h"

#include "DbErrors.h"
#include "os/Cp1251.h"

int TParam::asInteger() const { return isNull() ? 0 : value_.toInt(); }

QString TParam::asString() const {
  if (isNull()) return QString();
  if (value_.typeId() == QMetaType::QByteArray) return Cp1251::decode(value_.toByteArray());
  return value_.toString();
}

double TParam::asFloat() const { return isNull() ? 0.0 : value_.toDouble(); }

QDateTime TParam::asDateTime() const { return isNull() ? QDateTime() : value_.toDateTime(); }

TParam* TParams::findParam(const QString& name) {
  for (TParam& p : items_)
    if (p.name().compare(name, Qt::CaseInsensitive) == 0) return &p;
  return nullptr;
}

TParam& TParams::paramByName(const QString& name) {
  if (TParam* p = findParam(name)) return *p;
  throw EDatabaseError(QStringLiteral("Parameter '%1' not found").arg(name));
}

void TParams::setNames(const QStringList& names) {
  std::vector<TParam> next;
  for (const QString& n : names) {
    bool seen = false;
    for (const TParam& p : next) seen = seen || p.name().compare(n, Qt::CaseInsensitive) == 0;
    if (seen) continue;
    TParam param(n);
    if (TParam* old = findParam(n)) param.setValue(old->value());
    next.push_back(param);
  }
  items_ = std::move(next);
}
