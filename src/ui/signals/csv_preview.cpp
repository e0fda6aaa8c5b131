#include "signals/csv_preview.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "base/format.h"
#include "qt_text.h"
#include "theme.h"

namespace vilk::ui {

CsvPreviewDialog::CsvPreviewDialog(const CsvImportPlan& plan, const QString& file, QWidget* parent)
    : QDialog(parent), plan_(plan) {
  setWindowTitle(QStringLiteral("Импорт из CSV: ") + file);
  auto* layout = new QVBoxLayout(this);
  table_ = new QTableWidget(static_cast<int>(plan.Rows.size()), 4, this);
  table_->setHorizontalHeaderLabels({QStringLiteral("Строка файла"), QStringLiteral("№"),
                                     QStringLiteral("Результат"),
                                     QStringLiteral("Имя параметра / причина")});
  table_->verticalHeader()->hide();
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->horizontalHeader()->setStretchLastSection(true);
  // Errors first catch the eye by colour; the palette keeps them readable in dark themes.
  const QColor errorColour = ErrorText(palette()), changedColour = GoodText(palette());
  for (int r = 0; r < table_->rowCount(); ++r) {
    const CsvRowPlan& row = plan.Rows[static_cast<std::size_t>(r)];
    QString result;
    QString detail = Q(row.Name);
    QColor colour = palette().color(QPalette::Text);
    switch (row.Result) {
      case CsvRowResult::Changed:
        result = QStringLiteral("изменится");
        colour = changedColour;
        break;
      case CsvRowResult::Unchanged:
        result = QStringLiteral("без изменений");
        break;
      case CsvRowResult::Error:
        result = QStringLiteral("ошибка");
        detail = Q(row.Reason);
        colour = errorColour;
        break;
    }
    const QString cells[4] = {QString::number(row.Line),
                              row.Position >= 0 ? QString::number(row.Position) : QString(), result,
                              detail};
    for (int c = 0; c < 4; ++c) {
      auto* cell = new QTableWidgetItem(cells[c]);
      if (c >= 2) cell->setForeground(colour);
      table_->setItem(r, c, cell);
    }
  }
  table_->resizeColumnsToContents();
  layout->addWidget(table_, 1);

  summary_ = new QLabel(Q(Format("Изменится строк: %d, без изменений: %d, с ошибками: %d.",
                                 plan.Changed, plan.Unchanged, plan.Errors)),
                        this);
  layout->addWidget(summary_);
  skip_ = new QCheckBox(QStringLiteral("Пропустить строки с ошибками"), this);
  skip_->setVisible(plan.Errors > 0);
  layout->addWidget(skip_);

  auto* buttons = new QDialogButtonBox(this);
  apply_ = buttons->addButton(QStringLiteral("Применить"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(skip_, &QCheckBox::toggled, this, [this] { UpdateApply(); });
  UpdateApply();
  resize(640, 420);
}

bool CsvPreviewDialog::SkipErrors() const {
  return skip_->isChecked();
}

void CsvPreviewDialog::UpdateApply() {
  apply_->setEnabled(plan_.Changed > 0 && (plan_.Errors == 0 || skip_->isChecked()));
}

}  // namespace vilk::ui
