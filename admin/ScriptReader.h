#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

class TextFileReader;

// One statement of a script: its bytes without the terminator and the line of
// the file on which it begins.
struct ScriptStatement {
  qint64 line = 0;
  QByteArray text;
  bool hasQString = false;  // holds a q'...' string
};

// "\nСтрока N файла скрипта", the note that names a script's line.
QString scriptLineNote(qint64 line);
// Raises the text with the line's note.
[[noreturn]] void scriptError(const QString& text, qint64 line);

// Splits a script into its statements while reading it, as the server's own
// script tool does: a statement ends at the terminator (";" until SET TERM
// sets another, matched case-sensitively); strings ('...', "...", q'{...}'
// with any delimiter) and comments keep theirs. Blanks and comments between
// statements are left out; SET TERM is done here and not returned. Memory
// stays within a read block and one statement, whatever the script's size.
class ScriptReader {
 public:
  // Fills the buffer with up to size bytes; 0 at the end.
  using Source = std::function<qint64(char* buffer, qint64 size)>;

  // The longest statement the server takes.
  static constexpr qint64 kMaxStatement = 10 * 1024 * 1024;
  // The longest terminator SET TERM may set.
  static constexpr int kMaxTerminator = 32;

  explicit ScriptReader(Source source);
  // Reads the file from where it stands.
  explicit ScriptReader(TextFileReader& file);

  // The next statement; false at the end of the script. Raises, naming the
  // line, for a statement without its terminator, a comment left open, a
  // statement longer than the server takes or a SET TERM without a
  // terminator.
  bool next(ScriptStatement& out);

  const QByteArray& terminator() const { return terminator_; }

 private:
  bool ensure(qsizetype n) { return end_ - pos_ >= n || refill(n); }
  bool refill(qsizetype n);
  void keepSegment();
  bool skipBlanksAndComments();
  bool skipBlockComment();
  void skipLineComment();
  bool skipQuoted(char quote);
  bool skipQString(char close);
  bool atTerminator();
  void readStatement(ScriptStatement& out);
  bool setTerm(const ScriptStatement& st);
  [[noreturn]] void unterminated() const;

  Source source_;
  QByteArray buffer_;
  qsizetype pos_ = 0;
  qsizetype end_ = 0;
  bool eof_ = false;
  qint64 line_ = 1;
  QByteArray terminator_{";"};
  // The statement being read: what has left the buffer, and where the rest
  // begins in it (-1 between statements).
  QByteArray current_;
  qsizetype segment_ = -1;
  qint64 statementLine_ = 0;
};
