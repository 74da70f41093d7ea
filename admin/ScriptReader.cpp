#include "ScriptReader.h"

#include <QList>
#include <algorithm>
#include <cstring>

#include "os/Cp1251.h"
#include "os/Errors.h"
#include "os/TextFile.h"

namespace {

constexpr qsizetype kBlock = 1024 * 1024;

bool isBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

bool isNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
         static_cast<unsigned char>(c) >= 0x80;
}

// The closing delimiter of q'<open>...<close>'.
char qStringClose(char open) {
  switch (open) {
    case '(': return ')';
    case '[': return ']';
    case '{': return '}';
    case '<': return '>';
    default: return open;
  }
}

[[noreturn]] void tooLong(qint64 line) {
  scriptError(QStringLiteral("Оператор длиннее %1 байт").arg(ScriptReader::kMaxStatement), line);
}

}  // namespace

QString scriptLineNote(qint64 line) { return QStringLiteral("\nСтрока %1 файла скрипта").arg(line); }

void scriptError(const QString& text, qint64 line) { throw Exception(text + scriptLineNote(line)); }

ScriptReader::ScriptReader(Source source) : source_(std::move(source)), buffer_(kBlock, Qt::Uninitialized) {}

ScriptReader::ScriptReader(TextFileReader& file)
    : ScriptReader([&file](char* buffer, qint64 size) { return file.readBytes(buffer, size); }) {}

void ScriptReader::keepSegment() {
  if (segment_ < 0) return;
  const qsizetype n = pos_ - segment_;
  if (qint64(current_.size()) + n > kMaxStatement) tooLong(statementLine_);
  current_.append(buffer_.constData() + segment_, n);
  segment_ = pos_;
}

// Moves what is left to the front and reads until n bytes are there or the
// source ends; the statement read so far leaves the buffer first.
bool ScriptReader::refill(qsizetype n) {
  keepSegment();
  const qsizetype left = end_ - pos_;
  if (pos_ > 0 && left > 0) std::memmove(buffer_.data(), buffer_.constData() + pos_, size_t(left));
  end_ = left;
  pos_ = 0;
  if (segment_ >= 0) segment_ = 0;
  while (end_ < n && !eof_) {
    const qint64 got = source_(buffer_.data() + end_, qint64(buffer_.size() - end_));
    if (got <= 0)
      eof_ = true;
    else
      end_ += qsizetype(got);
  }
  return end_ >= n;
}

bool ScriptReader::skipBlanksAndComments() {
  for (;;) {
    if (!ensure(1)) return false;
    const char c = buffer_.at(pos_);
    if (isBlank(c)) {
      const char* b = buffer_.constData();
      qsizetype i = pos_;
      while (i < end_ && isBlank(b[i])) line_ += b[i++] == '\n';
      pos_ = i;
      continue;
    }
    if (c == '/' && ensure(2) && buffer_.at(pos_ + 1) == '*') {
      const qint64 line = line_;
      pos_ += 2;
      if (!skipBlockComment()) scriptError(QStringLiteral("Комментарий не закрыт"), line);
      continue;
    }
    if (c == '-' && ensure(2) && buffer_.at(pos_ + 1) == '-') {
      skipLineComment();
      continue;
    }
    return true;
  }
}

// From inside "/*" past its "*/"; false when the script ends first.
bool ScriptReader::skipBlockComment() {
  for (;;) {
    if (!ensure(1)) return false;
    const char* b = buffer_.constData();
    const char* star = static_cast<const char*>(std::memchr(b + pos_, '*', size_t(end_ - pos_)));
    const qsizetype stop = star ? star - b : end_;
    line_ += std::count(b + pos_, b + stop, '\n');
    pos_ = stop;
    if (!star) continue;
    if (!ensure(2)) return false;
    if (buffer_.at(pos_ + 1) == '/') {
      pos_ += 2;
      return true;
    }
    ++pos_;
  }
}

// Up to the line's end, which stays to be read.
void ScriptReader::skipLineComment() {
  for (;;) {
    if (!ensure(1)) return;
    const char* b = buffer_.constData();
    const char* lf = static_cast<const char*>(std::memchr(b + pos_, '\n', size_t(end_ - pos_)));
    if (lf) {
      pos_ = lf - b;
      return;
    }
    pos_ = end_;
  }
}

// From after the opening quote past the closing one; a quote written twice
// stays inside. False when the script ends first.
bool ScriptReader::skipQuoted(char quote) {
  for (;;) {
    if (!ensure(1)) return false;
    const char* b = buffer_.constData();
    const char* q = static_cast<const char*>(std::memchr(b + pos_, quote, size_t(end_ - pos_)));
    const qsizetype stop = q ? q - b : end_;
    line_ += std::count(b + pos_, b + stop, '\n');
    pos_ = stop;
    if (!q) continue;
    ++pos_;
    if (ensure(1) && buffer_.at(pos_) == quote) {
      ++pos_;
      continue;
    }
    return true;
  }
}

// From after q'<open> past <close>'.
bool ScriptReader::skipQString(char close) {
  for (;;) {
    if (!ensure(1)) return false;
    const char* b = buffer_.constData();
    const char* c = static_cast<const char*>(std::memchr(b + pos_, close, size_t(end_ - pos_)));
    const qsizetype stop = c ? c - b : end_;
    line_ += std::count(b + pos_, b + stop, '\n');
    pos_ = stop;
    if (!c) continue;
    line_ += close == '\n';
    ++pos_;
    if (ensure(1) && buffer_.at(pos_) == '\'') {
      ++pos_;
      return true;
    }
  }
}

bool ScriptReader::atTerminator() {
  const qsizetype n = terminator_.size();
  if (buffer_.at(pos_) != terminator_.at(0)) return false;
  return n == 1 || (ensure(n) && std::memcmp(buffer_.constData() + pos_, terminator_.constData(), size_t(n)) == 0);
}

void ScriptReader::unterminated() const {
  scriptError(QStringLiteral("Оператор не завершен символом \"%1\"").arg(Cp1251::decode(terminator_)), statementLine_);
}

void ScriptReader::readStatement(ScriptStatement& out) {
  statementLine_ = line_;
  out.hasQString = false;
  current_.clear();
  segment_ = pos_;
  char previous = 0;  // the byte before, to tell q'...' from a name ending in q
  for (;;) {
    if (!ensure(1)) unterminated();
    const char c = buffer_.at(pos_);
    if (atTerminator()) break;
    ++pos_;
    switch (c) {
      case '\n':
        ++line_;
        break;
      case '\'':
      case '"':
        if (!skipQuoted(c)) unterminated();
        break;
      case '/':
        if (ensure(1) && buffer_.at(pos_) == '*') {
          const qint64 line = line_;
          ++pos_;
          if (!skipBlockComment()) scriptError(QStringLiteral("Комментарий не закрыт"), line);
          previous = ' ';
          continue;
        }
        break;
      case '-':
        if (ensure(1) && buffer_.at(pos_) == '-') {
          skipLineComment();
          previous = ' ';
          continue;
        }
        break;
      case 'q':
      case 'Q':
        if (!isNameChar(previous) && ensure(2) && buffer_.at(pos_) == '\'') {
          const char open = buffer_.at(pos_ + 1);
          line_ += open == '\n';
          pos_ += 2;
          if (!skipQString(qStringClose(open))) unterminated();
          out.hasQString = true;
          previous = '\'';
          continue;
        }
        break;
      default:
        break;
    }
    previous = c;
  }
  // The statement ends before the terminator.
  keepSegment();
  segment_ = -1;
  pos_ += terminator_.size();
  out.line = statementLine_;
  out.text = std::move(current_);
  current_ = QByteArray();
  qsizetype n = out.text.size();
  while (n > 0 && isBlank(out.text.at(n - 1))) --n;
  out.text.truncate(n);
}

// SET TERM <new> (or SET TERMINATOR): the terminator from here on.
bool ScriptReader::setTerm(const ScriptStatement& st) {
  if (st.text.size() < 4 || qstrnicmp(st.text.constData(), "SET", 3) != 0 || !isBlank(st.text.at(3))) return false;
  const QList<QByteArray> words = st.text.simplified().split(' ');
  if (words.size() < 2 || words[0].toUpper() != "SET") return false;
  const QByteArray verb = words[1].toUpper();
  if (verb != "TERM" && verb != "TERMINATOR") return false;
  if (words.size() != 3)
    scriptError(QStringLiteral("Команде SET TERM нужен один новый терминатор"), st.line);
  if (words[2].size() > kMaxTerminator)
    scriptError(QStringLiteral("Терминатор длиннее %1 байт").arg(kMaxTerminator), st.line);
  terminator_ = words[2];
  return true;
}

bool ScriptReader::next(ScriptStatement& out) {
  for (;;) {
    if (!skipBlanksAndComments()) return false;
    if (atTerminator()) {  // an empty statement
      pos_ += terminator_.size();
      continue;
    }
    readStatement(out);
    if (setTerm(out)) continue;
    return true;
  }
}
