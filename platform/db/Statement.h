#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <ibase.h>
#include <vector>

#include "Field.h"

class ClientLibrary;
class TIBDatabase;
class TIBTransaction;
class TParam;

// The length to pass the client library for a statement's text (a 16-bit
// number); raises for a text it cannot take whole.
unsigned short statementLength(const QByteArray& text);

// Description of one output column of a prepared statement.
struct ColumnInfo {
  QString name;
  TFieldType type = ftUnknown;
  int size = 0;
  int scale = 0;
  bool nullable = true;
};

// One prepared DSQL statement with its input and output buffers. Values in
// and out are QVariants: invalid = NULL; text columns come out as the raw
// QByteArray the connection delivered, scaled integers as double, dates as
// QDateTime, blobs read whole as QByteArray.
class Statement {
 public:
  Statement(TIBDatabase& db, TIBTransaction& tr);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // The text is encoded as Windows-1251 here.
  void prepare(const QString& sql);
  int statementType() const { return type_; }
  bool isSelect() const;

  int inputCount() const;
  void setInput(int i, const QVariant& value);
  void setInputs(const std::vector<const TParam*>& params);

  const std::vector<ColumnInfo>& columns() const { return columns_; }

  // Runs the statement; a select opens its cursor, an EXECUTE PROCEDURE fills
  // the output row.
  void execute();
  // Next row of the cursor into row(); false at the end.
  bool fetch();
  // Next row of the cursor into the output buffers only, converting nothing;
  // column() reads a column of it. False at the end (the buffers then still
  // hold the row before).
  bool fetchBuffers();
  // Column i of the row in the output buffers, as row() holds it.
  QVariant column(int i) { return readColumn(i); }
  const std::vector<QVariant>& row() const { return row_; }
  void closeCursor();

 private:
  QVariant readColumn(int i);
  void freeSqlda();

  const ClientLibrary* lib_ = nullptr;  // the library the handle came from
  TIBDatabase& db_;
  TIBTransaction& tr_;
  isc_stmt_handle handle_ = 0;
  XSQLDA* in_ = nullptr;
  XSQLDA* out_ = nullptr;
  std::vector<XSQLVAR> inOrig_;
  std::vector<QByteArray> inBuf_;
  std::vector<QByteArray> outBuf_;
  std::vector<short> inInd_;
  std::vector<short> outInd_;
  std::vector<ColumnInfo> columns_;
  std::vector<QVariant> row_;
  int type_ = 0;
  bool cursorOpen_ = false;
};
