#pragma once
// The command blocking dialog: which discrete inputs block or allow "on" and "off".
#include <QComboBox>
#include <QDialog>

#include "signals/params.h"

namespace vilk::ui {

class TEditorTU : public QDialog {
  Q_OBJECT
 public:
  TEditorTU(QWidget* parent, TParams& list, int row);
  static bool Edit(QWidget* parent, TParams& list, int row);

  QComboBox* OnBox() const { return on_; }
  QComboBox* OffBox() const { return off_; }
  void Accept();  // "Принять"

 private:
  TParams& list_;
  int row_;
  QComboBox *on_, *off_;
};

}  // namespace vilk::ui
