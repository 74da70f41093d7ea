#pragma once

#include <QString>

// A text of at most N characters: a longer value is cut to its first N
// characters when it is stored.
template <int N>
class ShortString {
 public:
  ShortString() = default;
  ShortString(const QString& text) : text_(text.left(N)) {}  // NOLINT: stored like a plain text
  ShortString& operator=(const QString& text) {
    text_ = text.left(N);
    return *this;
  }

  const QString& text() const { return text_; }
  operator const QString&() const { return text_; }  // NOLINT
  bool isEmpty() const { return text_.isEmpty(); }
  static constexpr int maxLength = N;

  friend bool operator==(const ShortString& a, const QString& b) { return a.text_ == b; }
  friend bool operator!=(const ShortString& a, const QString& b) { return a.text_ != b; }

 private:
  QString text_;
};
