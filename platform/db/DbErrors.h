#pragma once

#include "os/Errors.h"

#include <QString>

// Errors raised by the data-access layer with texts of its own
// ("Transaction is active", "Database name is missing", ...).
class EDatabaseError : public Exception {
 public:
  using Exception::Exception;
};

// The client library cannot be loaded or lacks an entry point.
class EIBClientError : public EDatabaseError {
 public:
  using EDatabaseError::EDatabaseError;
};

// An error reported by the server: the text is fb_interpret's lines over the
// status vector, joined with a newline.
class EIBError : public EDatabaseError {
 public:
  EIBError(QString message, long sqlCode, long gdsCode)
      : EDatabaseError(std::move(message)), sqlCode_(sqlCode), gdsCode_(gdsCode) {}
  long sqlCode() const { return sqlCode_; }
  long gdsCode() const { return gdsCode_; }

 private:
  long sqlCode_;
  long gdsCode_;
};
