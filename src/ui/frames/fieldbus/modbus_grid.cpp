#include "frames/fieldbus/modbus_grid.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QValidator>

#include "qt_text.h"
#include "signals/param.h"

namespace vilk::ui {

namespace {

// Upper-cases what is typed and takes only the column's characters.
class CellValidator : public QValidator {
 public:
  CellValidator(bool hex, QObject* parent) : QValidator(parent), hex_(hex) {}
  State validate(QString& input, int&) const override {
    input = input.toUpper();
    if (input.size() > (hex_ ? 4 : 3)) return Invalid;
    for (QChar c : input) {
      const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
      const bool letter = c >= QLatin1Char('A') && c <= QLatin1Char('F');
      if (!digit && !(hex_ && letter)) return Invalid;
    }
    return Acceptable;
  }

 private:
  bool hex_;
};

}  // namespace

QWidget* ModbusCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                          const QModelIndex& index) const {
  auto* edit = new QLineEdit(parent);
  edit->setFrame(false);
  edit->setValidator(new CellValidator(index.column() == addressColumn_, edit));
  return edit;
}

void ModbusCellDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                      const QModelIndex& index) const {
  auto* edit = static_cast<QLineEdit*>(editor);
  QString text = edit->text().toUpper();
  // A byte column holds at most 255.
  if (index.column() != addressColumn_ && !text.isEmpty() && text.toInt() > 255)
    text = QStringLiteral("255");
  model->setData(index, text, Qt::EditRole);
}

QStringList ModbusGrid::Headers(int signalKind) {
  const QString function = QStringLiteral(" Функция"), address = QStringLiteral("  Адрес, hex");
  switch (signalKind) {
    case kKindTI:
      return {QStringLiteral(" Тип ТИ"), function, address, QStringLiteral(" Кол-во, слов")};
    case kKindTR:
      return {function, address, QStringLiteral(" Кол-во, парметров")};
    default:
      return {function, address, QStringLiteral(" Кол-во, бит")};
  }
}

ModbusGrid::ModbusGrid(int signalKind, QWidget* parent)
    : QTableWidget(kModbusRows, ColumnsOf(signalKind).Total, parent), kind_(signalKind) {
  setHorizontalHeaderLabels(Headers(signalKind));
  QStringList rows;
  for (int r = 1; r <= kModbusRows; ++r) rows << QStringLiteral("   %1").arg(r);
  setVerticalHeaderLabels(rows);
  setItemDelegate(new ModbusCellDelegate(ColumnsOf(signalKind).Address, this));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::AllEditTriggers);
  horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  horizontalHeader()->setStretchLastSection(true);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  for (int r = 0; r < rowCount(); ++r)
    for (int c = 0; c < columnCount(); ++c) setItem(r, c, new QTableWidgetItem);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFixedHeight(horizontalHeader()->sizeHint().height() +
                 verticalHeader()->defaultSectionSize() * kModbusRows + 2 * frameWidth());
  setMinimumWidth(verticalHeader()->sizeHint().width() + horizontalHeader()->length() +
                  2 * frameWidth() + 40);
  connect(this, &QTableWidget::itemChanged, this, [this] { emit Edited(); });
}

QString ModbusGrid::Text(int row, int column) const {
  const QTableWidgetItem* i = item(row, column);
  return i ? i->text() : QString();
}

void ModbusGrid::SetText(int row, int column, const QString& text) {
  if (QTableWidgetItem* i = item(row, column))
    i->setText(text);
  else
    setItem(row, column, new QTableWidgetItem(text));
}

GridCells ModbusGrid::Cells() const {
  GridCells cells(static_cast<std::size_t>(rowCount()));
  for (int r = 0; r < rowCount(); ++r)
    for (int c = 0; c < columnCount(); ++c)
      cells[static_cast<std::size_t>(r)].push_back(S(Text(r, c)));
  return cells;
}

void ModbusGrid::SetCells(const GridCells& cells) {
  for (int r = 0; r < rowCount(); ++r)
    for (int c = 0; c < columnCount(); ++c) {
      const auto& row = r < static_cast<int>(cells.size()) ? cells[static_cast<std::size_t>(r)]
                                                           : std::vector<std::string>{};
      SetText(r, c,
              c < static_cast<int>(row.size()) ? Q(row[static_cast<std::size_t>(c)]) : QString());
    }
}

}  // namespace vilk::ui
