#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVariant>

class TIBCustomDataSet;

enum TFieldType {
  ftUnknown,
  ftString,     // VARCHAR
  ftFixedChar,  // CHAR, padding kept as the server gives it
  ftSmallint,
  ftInteger,
  ftLargeint,
  ftFloat,      // FLOAT, DOUBLE PRECISION
  ftBCD,        // scaled integer (NUMERIC, DECIMAL), read as a double
  ftDate,
  ftTime,
  ftDateTime,   // TIMESTAMP, and DATE in dialect 1
  ftMemo,       // BLOB SUB_TYPE TEXT
  ftBlob,
  ftBoolean
};

// One column of a dataset. The value accessors read the current row (the edit
// buffer while editing); on a closed dataset or with no current row a field
// reads as NULL. Text values are the connection's Windows-1251 bytes,
// decoded by asString and kept as they are by asBytes.
class TField {
 public:
  TField(TIBCustomDataSet* dataSet, const QString& name) : DisplayLabel(name), dataSet_(dataSet), fieldName_(name) {}

  const QString& fieldName() const { return fieldName_; }
  TIBCustomDataSet& dataSet() const { return *dataSet_; }
  // Position in the select list, -1 while the dataset is closed.
  int index() const { return index_; }
  TFieldType dataType() const { return dataType_; }
  // Characters of a text column, bytes of other columns.
  int size() const { return size_; }
  // Decimal places of a scaled integer.
  int scale() const { return scale_; }

  // Display settings for grids; they survive closing and reopening.
  QString DisplayLabel;
  int DisplayWidth = 10;
  bool Visible = true;
  bool ReadOnly = false;
  bool Required = false;

  bool isNull() const;
  QString asString() const;
  int asInteger() const;
  qint64 asLargeInt() const;
  double asFloat() const;
  QDateTime asDateTime() const;
  bool asBoolean() const;
  QByteArray asBytes() const;
  // QString for text columns, int/qint64/double/QDateTime/bool otherwise,
  // invalid for NULL.
  QVariant value() const;
  // The text a grid shows.
  QString displayText() const;

  // Setters work in edit state only (EDatabaseError otherwise).
  void setAsString(const QString& v);
  void setAsInteger(int v);
  void setAsFloat(double v);
  void setAsDateTime(const QDateTime& v);
  void setAsBytes(const QByteArray& v);
  void setNull();
  void setValue(const QVariant& v);

  // Converts a stored value of this field for display or reading.
  QVariant toValue(const QVariant& stored) const;
  QString toText(const QVariant& stored) const;

 private:
  friend class TIBCustomDataSet;
  void setStored(const QVariant& v);

  TIBCustomDataSet* dataSet_;
  QString fieldName_;
  int index_ = -1;
  TFieldType dataType_ = ftUnknown;
  int size_ = 0;
  int scale_ = 0;
  bool displayWidthSet_ = false;
};
