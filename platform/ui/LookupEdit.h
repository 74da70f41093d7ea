#pragma once

#include <QComboBox>
#include <QPointer>
#include <functional>

#include "DataControls.h"

// An edit over a list dataset (LookupSource) with a drop-down of its entries'
// display texts (LookupDisplay). The key value is the text of the key
// (LookupField) of the entry whose display text equals the edit's text, letter
// case ignored; empty when the edit is empty, names no entry, or the list is
// closed. Setting the key value shows that entry's text; a key the list does not
// hold leaves the text as it is.
class TRxLookupEdit : public QComboBox {
  Q_OBJECT

 public:
  explicit TRxLookupEdit(QWidget* parent = nullptr);
  ~TRxLookupEdit() override;

  TDataSource* lookupSource() const { return source_; }
  void setLookupSource(TDataSource* source);
  QString lookupField;
  QString lookupDisplay;

  QString text() const { return currentText(); }
  void setText(const QString& text) { setEditText(text); }

  QString keyValue() const;
  void setKeyValue(const QString& key);

  // Reads the list's entries again.
  void refreshList();

  std::function<void()> OnChange;
  std::function<void()> OnExit;

 protected:
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void rebind();
  bool findColumns(int& keyIndex, int& displayIndex) const;

  QPointer<TDataSource> source_;
  DataLink link_;
};
