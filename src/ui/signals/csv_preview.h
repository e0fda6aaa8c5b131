#pragma once
// The preview of a CSV import: every row of the file with what it would do (changed,
// unchanged, or the error and its reason). Nothing is applied until "Применить".
#include <QDialog>

#include "signals/csv.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace vilk::ui {

class CsvPreviewDialog : public QDialog {
  Q_OBJECT
 public:
  CsvPreviewDialog(const CsvImportPlan& plan, const QString& file, QWidget* parent);

  bool SkipErrors() const;
  QTableWidget* Table() const { return table_; }
  QPushButton* ApplyButton() const { return apply_; }
  QCheckBox* SkipBox() const { return skip_; }

 private:
  void UpdateApply();

  const CsvImportPlan& plan_;
  QTableWidget* table_;
  QLabel* summary_;
  QCheckBox* skip_;
  QPushButton* apply_;
};

}  // namespace vilk::ui
