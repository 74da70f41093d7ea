#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

// One named statement parameter. The value is a QVariant: invalid = NULL;
// a QByteArray is sent as raw bytes, a QString is encoded as Windows-1251.
class TParam {
 public:
  explicit TParam(QString name = QString()) : name_(std::move(name)) {}

  const QString& name() const { return name_; }

  void setAsInteger(int v) { value_ = v; }
  void setAsString(const QString& v) { value_ = v; }
  void setAsFloat(double v) { value_ = v; }
  void setAsDateTime(const QDateTime& v) { value_ = v; }
  void setAsBytes(const QByteArray& v) { value_ = v; }
  void setNull() { value_ = QVariant(); }
  void setValue(const QVariant& v) { value_ = v; }

  bool isNull() const { return !value_.isValid() || value_.isNull(); }
  int asInteger() const;
  QString asString() const;
  double asFloat() const;
  QDateTime asDateTime() const;
  const QVariant& value() const { return value_; }

 private:
  QString name_;
  QVariant value_;
};

// Parameters by name, letter case ignored; kept in order of first appearance.
class TParams {
 public:
  int count() const { return int(items_.size()); }
  TParam& operator[](int i) { return items_[size_t(i)]; }
  const TParam& operator[](int i) const { return items_[size_t(i)]; }
  // Raises EDatabaseError "Parameter 'X' not found".
  TParam& paramByName(const QString& name);
  TParam* findParam(const QString& name);
  // Rebuilds the list for the names, keeping the values of names kept.
  void setNames(const QStringList& names);
  void clear() { items_.clear(); }

 private:
  std::vector<TParam> items_;
};
