#include "Statement.h"

#include <cmath>
#include <cstring>

#include "ClientLibrary.h"
#include "DbErrors.h"
#include "IBDatabase.h"
#include "IBTransaction.h"
#include "Params.h"
#include "os/Cp1251.h"

namespace {

XSQLDA* allocSqlda(int n) {
  auto* da = static_cast<XSQLDA*>(calloc(1, XSQLDA_LENGTH(n)));
  da->version = SQLDA_VERSION1;
  da->sqln = short(n);
  return da;
}

qint64 power10(int n) {
  qint64 p = 1;
  while (n-- > 0) p *= 10;
  return p;
}

// Days from 17 November 1858, the server's day zero, to the Julian day number.
constexpr qint64 kJulianOffset = 2400001;

QDate decodeDate(ISC_DATE d) { return QDate::fromJulianDay(qint64(d) + kJulianOffset); }
QTime decodeTime(ISC_TIME t) { return QTime::fromMSecsSinceStartOfDay(int(t / 10)); }
ISC_DATE encodeDate(const QDate& d) { return ISC_DATE(d.toJulianDay() - kJulianOffset); }
ISC_TIME encodeTime(const QTime& t) { return ISC_TIME(t.msecsSinceStartOfDay()) * 10; }

QByteArray textOf(const QVariant& v) {
  if (v.typeId() == QMetaType::QByteArray) return v.toByteArray();
  if (v.typeId() == QMetaType::Double) return QByteArray::number(v.toDouble(), 'g', 17);
  if (v.typeId() == QMetaType::QDateTime)
    return v.toDateTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss.zzz")).left(23).toLatin1();
  if (v.typeId() == QMetaType::QDate) return v.toDate().toString(QStringLiteral("dd.MM.yyyy")).toLatin1();
  return Cp1251::encode(v.toString());
}

bool isTextVariant(const QVariant& v) {
  return v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QByteArray;
}

bool isDateVariant(const QVariant& v) {
  return v.typeId() == QMetaType::QDateTime || v.typeId() == QMetaType::QDate || v.typeId() == QMetaType::QTime;
}

// A date or time that holds none is NULL, as a field without one reads.
bool isEmptyDate(const QVariant& v) {
  switch (v.typeId()) {
    case QMetaType::QDateTime: return !v.toDateTime().isValid();
    case QMetaType::QDate: return !v.toDate().isValid();
    case QMetaType::QTime: return !v.toTime().isValid();
    default: return false;
  }
}

}  // namespace

unsigned short statementLength(const QByteArray& text) {
  if (text.size() <= 0xFFFF) return (unsigned short)text.size();
  // A length of 0 makes the library take the text up to its terminating
  // zero; a zero byte inside would cut it there.
  if (text.contains('\0'))
    throw EDatabaseError(
        QStringLiteral("Statement text of %1 bytes holds a zero byte: it cannot be passed whole").arg(text.size()));
  return 0;
}

Statement::Statement(TIBDatabase& db, TIBTransaction& tr) : db_(db), tr_(tr) {}

Statement::~Statement() {
  if (handle_ && lib_ && db_.connected()) {
    ISC_STATUS_ARRAY status;
    lib_->isc_dsql_free_statement(status, &handle_, DSQL_drop);
  }
  freeSqlda();
}

void Statement::freeSqlda() {
  free(in_);
  free(out_);
  in_ = out_ = nullptr;
}

bool Statement::isSelect() const {
  return type_ == isc_info_sql_stmt_select || type_ == isc_info_sql_stmt_select_for_upd;
}

void Statement::prepare(const QString& sql) {
  const ClientLibrary& lib = fb();
  lib_ = &lib;
  db_.checkConnected();
  tr_.checkInTransaction();
  const QByteArray text = Cp1251::encode(sql);
  const unsigned short dialect = static_cast<unsigned short>(db_.SQLDialect);
  ISC_STATUS_ARRAY status;
  lib.isc_dsql_allocate_statement(status, db_.handle(), &handle_);
  db_.checkStatus(status);

  out_ = allocSqlda(1);
  lib.isc_dsql_prepare(status, tr_.handle(), &handle_, statementLength(text), text.constData(), dialect, out_);
  db_.checkStatus(status);
  if (out_->sqld > out_->sqln) {
    const int n = out_->sqld;
    free(out_);
    out_ = allocSqlda(n);
    lib.isc_dsql_describe(status, &handle_, 1, out_);
    db_.checkStatus(status);
  }
  in_ = allocSqlda(1);
  lib.isc_dsql_describe_bind(status, &handle_, 1, in_);
  db_.checkStatus(status);
  if (in_->sqld > in_->sqln) {
    const int n = in_->sqld;
    free(in_);
    in_ = allocSqlda(n);
    lib.isc_dsql_describe_bind(status, &handle_, 1, in_);
    db_.checkStatus(status);
  }

  const char item = isc_info_sql_stmt_type;
  char info[16] = {};
  lib.isc_dsql_sql_info(status, &handle_, 1, &item, sizeof info, info);
  db_.checkStatus(status);
  if (info[0] == isc_info_sql_stmt_type) {
    const int len = (unsigned char)info[1] | ((unsigned char)info[2] << 8);
    type_ = 0;
    for (int i = 0; i < len && i < 4; ++i) type_ |= (unsigned char)info[3 + i] << (8 * i);
  }

  // Output buffers and the columns' description.
  const int n = out_->sqld;
  outBuf_.assign(size_t(n), QByteArray());
  outInd_.assign(size_t(n), 0);
  columns_.clear();
  for (int i = 0; i < n; ++i) {
    XSQLVAR& v = out_->sqlvar[i];
    const int t = v.sqltype & ~1;
    int len = v.sqllen;
    if (t == SQL_VARYING) len += 2;
    outBuf_[size_t(i)] = QByteArray(std::max(len, 8), '\0');
    v.sqldata = outBuf_[size_t(i)].data();
    v.sqlind = &outInd_[size_t(i)];

    ColumnInfo c;
    c.name = Cp1251::decode(v.aliasname, v.aliasname_length);
    c.nullable = (v.sqltype & 1) != 0;
    c.scale = -v.sqlscale;
    c.size = v.sqllen;
    switch (t) {
      case SQL_TEXT: c.type = ftFixedChar; break;
      case SQL_VARYING: c.type = ftString; break;
      case SQL_SHORT: c.type = v.sqlscale < 0 ? ftBCD : ftSmallint; break;
      case SQL_LONG: c.type = v.sqlscale < 0 ? ftBCD : ftInteger; break;
      case SQL_INT64: c.type = v.sqlscale < 0 ? ftBCD : ftLargeint; break;
      case SQL_FLOAT:
      case SQL_DOUBLE:
      case SQL_D_FLOAT: c.type = ftFloat; break;
      case SQL_TIMESTAMP: c.type = ftDateTime; break;
      case SQL_TYPE_DATE: c.type = ftDate; break;
      case SQL_TYPE_TIME: c.type = ftTime; break;
      case SQL_BLOB: c.type = v.sqlsubtype == 1 ? ftMemo : ftBlob; c.size = 0; break;
      case SQL_BOOLEAN: c.type = ftBoolean; break;
      default: c.type = ftUnknown; break;
    }
    columns_.push_back(c);
  }
  const int m = in_->sqld;
  inBuf_.assign(size_t(m), QByteArray());
  inInd_.assign(size_t(m), -1);
  inOrig_.assign(in_->sqlvar, in_->sqlvar + m);
  for (int i = 0; i < m; ++i) setInput(i, QVariant());
}

int Statement::inputCount() const { return in_ ? in_->sqld : 0; }

void Statement::setInputs(const std::vector<const TParam*>& params) {
  if (int(params.size()) != inputCount())
    throw EDatabaseError(QStringLiteral("The statement takes %1 parameters, %2 given").arg(inputCount()).arg(params.size()));
  for (int i = 0; i < int(params.size()); ++i) setInput(i, params[size_t(i)]->value());
}

void Statement::setInput(int i, const QVariant& value) {
  XSQLVAR& v = in_->sqlvar[i];
  const XSQLVAR& orig = inOrig_[size_t(i)];
  v = orig;
  QByteArray& buf = inBuf_[size_t(i)];
  short& ind = inInd_[size_t(i)];
  const int t = orig.sqltype & ~1;
  v.sqlind = &ind;
  if (!value.isValid() || value.isNull() || isEmptyDate(value)) {
    ind = -1;
    v.sqltype = short(t | 1);
    buf = QByteArray(std::max<int>(orig.sqllen + 2, 8), '\0');
    v.sqldata = buf.data();
    return;
  }
  ind = 0;
  v.sqltype = short(t | 1);
  auto setText = [&](const QByteArray& bytes) {
    // A longer text cannot be described to the server; cutting it would
    // compare or store something else than was given.
    if (bytes.size() > 0x7FFF)
      throw EDatabaseError(QStringLiteral("Parameter value is too long: %1 bytes, at most 32767").arg(bytes.size()));
    buf = bytes;
    if (buf.isEmpty()) buf.reserve(1);
    v.sqltype = SQL_TEXT | 1;
    v.sqllen = short(bytes.size());
    v.sqlscale = 0;
    if (t != SQL_TEXT && t != SQL_VARYING) v.sqlsubtype = 0;
    v.sqldata = buf.data();
  };
  auto setRaw = [&](short type, const void* data, int len) {
    buf = QByteArray(static_cast<const char*>(data), len);
    v.sqltype = short(type | 1);
    v.sqllen = short(len);
    v.sqldata = buf.data();
  };

  switch (t) {
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64: {
      if (isTextVariant(value)) return setText(textOf(value));
      const int scale = -orig.sqlscale;
      qint64 n;
      if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
        n = qint64(std::llround(value.toDouble() * double(power10(scale))));
      else
        n = value.toLongLong() * power10(scale);
      v.sqlscale = orig.sqlscale;
      return setRaw(SQL_INT64, &n, 8);
    }
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT: {
      if (isTextVariant(value)) return setText(textOf(value));
      const double d = value.toDouble();
      v.sqlscale = 0;
      return setRaw(SQL_DOUBLE, &d, 8);
    }
    case SQL_TIMESTAMP:
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME: {
      if (!isDateVariant(value)) return setText(textOf(value));
      if (value.typeId() == QMetaType::QTime) {
        const ISC_TIME tm = encodeTime(value.toTime());
        return setRaw(SQL_TYPE_TIME, &tm, sizeof tm);
      }
      const QDateTime dt = value.typeId() == QMetaType::QDate ? value.toDate().startOfDay() : value.toDateTime();
      ISC_TIMESTAMP ts{encodeDate(dt.date()), encodeTime(dt.time())};
      return setRaw(SQL_TIMESTAMP, &ts, sizeof ts);
    }
    case SQL_BLOB: {
      const QByteArray bytes = textOf(value);
      const ClientLibrary& lib = fb();
      ISC_STATUS_ARRAY status;
      isc_blob_handle bh = 0;
      ISC_QUAD id{};
      lib.isc_create_blob2(status, db_.handle(), tr_.handle(), &bh, &id, 0, nullptr);
      db_.checkStatus(status);
      for (qsizetype pos = 0; pos < bytes.size(); pos += 0x7FFF) {
        const unsigned short len = (unsigned short)std::min<qsizetype>(0x7FFF, bytes.size() - pos);
        lib.isc_put_segment(status, &bh, len, bytes.constData() + pos);
        if (status[0] == 1 && status[1]) {
          ISC_STATUS_ARRAY ignored;
          lib.isc_close_blob(ignored, &bh);
          db_.raise(status);
        }
      }
      lib.isc_close_blob(status, &bh);
      db_.checkStatus(status);
      return setRaw(SQL_BLOB, &id, sizeof id);
    }
    case SQL_BOOLEAN: {
      if (isTextVariant(value)) return setText(textOf(value));
      const char b = value.toBool() ? 1 : 0;
      return setRaw(SQL_BOOLEAN, &b, 1);
    }
    default:
      if (value.typeId() == QMetaType::QDateTime && t != SQL_TEXT && t != SQL_VARYING) {
        const QDateTime dt = value.toDateTime();
        ISC_TIMESTAMP ts{encodeDate(dt.date()), encodeTime(dt.time())};
        return setRaw(SQL_TIMESTAMP, &ts, sizeof ts);
      }
      return setText(textOf(value));
  }
}

void Statement::execute() {
  const ClientLibrary& lib = fb();
  tr_.checkInTransaction();
  ISC_STATUS_ARRAY status;
  XSQLDA* in = inputCount() > 0 ? in_ : nullptr;
  if (type_ == isc_info_sql_stmt_exec_procedure && out_->sqld > 0) {
    lib.isc_dsql_execute2(status, tr_.handle(), &handle_, 1, in, out_);
    db_.checkStatus(status);
    row_.assign(size_t(out_->sqld), QVariant());
    for (int i = 0; i < out_->sqld; ++i) row_[size_t(i)] = readColumn(i);
    return;
  }
  lib.isc_dsql_execute(status, tr_.handle(), &handle_, 1, in);
  db_.checkStatus(status);
  cursorOpen_ = isSelect();
}

bool Statement::fetchBuffers() {
  if (!cursorOpen_) return false;
  const ClientLibrary& lib = fb();
  ISC_STATUS_ARRAY status;
  const ISC_STATUS rc = lib.isc_dsql_fetch(status, &handle_, 1, out_);
  if (rc == 100) {
    closeCursor();
    return false;
  }
  db_.checkStatus(status);
  return true;
}

bool Statement::fetch() {
  if (!fetchBuffers()) return false;
  row_.assign(size_t(out_->sqld), QVariant());
  for (int i = 0; i < out_->sqld; ++i) row_[size_t(i)] = readColumn(i);
  return true;
}

void Statement::closeCursor() {
  if (!cursorOpen_) return;
  cursorOpen_ = false;
  ISC_STATUS_ARRAY status;
  lib_->isc_dsql_free_statement(status, &handle_, DSQL_close);
}

QVariant Statement::readColumn(int i) {
  const XSQLVAR& v = out_->sqlvar[i];
  if ((v.sqltype & 1) && *v.sqlind < 0) return QVariant();
  const char* d = v.sqldata;
  const int scale = -v.sqlscale;
  auto scaled = [&](qint64 n) -> QVariant {
    if (scale > 0) return double(n) / double(power10(scale));
    return n;
  };
  switch (v.sqltype & ~1) {
    case SQL_TEXT:
      return QByteArray(d, v.sqllen);
    case SQL_VARYING: {
      short len;
      memcpy(&len, d, 2);
      return QByteArray(d + 2, len);
    }
    case SQL_SHORT: {
      short n;
      memcpy(&n, d, 2);
      return scale > 0 ? scaled(n) : QVariant(int(n));
    }
    case SQL_LONG: {
      ISC_LONG n;
      memcpy(&n, d, 4);
      return scale > 0 ? scaled(n) : QVariant(int(n));
    }
    case SQL_INT64: {
      ISC_INT64 n;
      memcpy(&n, d, 8);
      return scale > 0 ? scaled(n) : QVariant(qlonglong(n));
    }
    case SQL_FLOAT: {
      float f;
      memcpy(&f, d, 4);
      return double(f);
    }
    case SQL_DOUBLE:
    case SQL_D_FLOAT: {
      double f;
      memcpy(&f, d, 8);
      return f;
    }
    case SQL_TIMESTAMP: {
      ISC_TIMESTAMP ts;
      memcpy(&ts, d, sizeof ts);
      return QDateTime(decodeDate(ts.timestamp_date), decodeTime(ts.timestamp_time));
    }
    case SQL_TYPE_DATE: {
      ISC_DATE dt;
      memcpy(&dt, d, sizeof dt);
      return decodeDate(dt).startOfDay();
    }
    case SQL_TYPE_TIME: {
      ISC_TIME tm;
      memcpy(&tm, d, sizeof tm);
      return decodeTime(tm);
    }
    case SQL_BOOLEAN:
      return *d != 0;
    case SQL_BLOB: {
      ISC_QUAD id;
      memcpy(&id, d, sizeof id);
      const ClientLibrary& lib = fb();
      ISC_STATUS_ARRAY status;
      isc_blob_handle bh = 0;
      lib.isc_open_blob2(status, db_.handle(), tr_.handle(), &bh, &id, 0, nullptr);
      db_.checkStatus(status);
      QByteArray out;
      char chunk[32768];
      for (;;) {
        unsigned short got = 0;
        const ISC_STATUS rc = lib.isc_get_segment(status, &bh, &got, sizeof chunk, chunk);
        if (rc == 0 || rc == isc_segment) {
          out.append(chunk, got);
          continue;
        }
        if (rc == isc_segstr_eof) break;
        ISC_STATUS_ARRAY ignored;
        lib.isc_close_blob(ignored, &bh);
        db_.raise(status);
      }
      lib.isc_close_blob(status, &bh);
      return out;
    }
    default:
      throw EDatabaseError(QStringLiteral("Unsupported column type %1").arg(v.sqltype & ~1));
  }
}
