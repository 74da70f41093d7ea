#pragma once

#include <QString>
#include <exception>

// Base of every error the platform raises. The text is what the error box shows.
class Exception : public std::exception {
 public:
  explicit Exception(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}
  const QString& message() const { return message_; }
  const char* what() const noexcept override { return utf8_.constData(); }

 private:
  QString message_;
  QByteArray utf8_;
};

// File-system failures ("File not found", "File access denied", ...).
class EInOutError : public Exception {
 public:
  using Exception::Exception;
};

// A character that Windows-1251 cannot hold, and other conversion failures.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};
