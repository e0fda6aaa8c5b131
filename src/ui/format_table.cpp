#include "format_table.h"

#include <QHeaderView>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace vilk::ui {

FormatTable::FormatTable(const QString& title, const QStringList& lines,
                         std::vector<FormatColumn> columns, QWidget* parent)
    : QGroupBox(title, parent),
      columns_(std::move(columns)),
      lines_(static_cast<int>(lines.size())) {
  auto* layout = new QVBoxLayout(this);
  grid_ = new QTableWidget(lines_, static_cast<int>(columns_.size()), this);
  QStringList headers;
  for (const FormatColumn& c : columns_) headers << c.Header;
  grid_->setHorizontalHeaderLabels(headers);
  grid_->setVerticalHeaderLabels(lines);
  grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setSelectionMode(QAbstractItemView::NoSelection);
  cells_.resize(columns_.size(), std::vector<Cell>(static_cast<std::size_t>(lines_)));
  for (int c = 0; c < static_cast<int>(columns_.size()); ++c) {
    const FormatColumn& column = columns_[static_cast<std::size_t>(c)];
    for (int l = 0; l < lines_ && l < static_cast<int>(column.Cells.size()); ++l) {
      const FormatCell& cell = column.Cells[static_cast<std::size_t>(l)];
      if (cell.Choices.empty()) {
        grid_->setItem(l, c, new QTableWidgetItem(cell.Text));
        continue;
      }
      auto* box = new QComboBox(grid_);
      for (const ChoiceItem& choice : cell.Choices) box->addItem(choice.Text, choice.Code);
      grid_->setCellWidget(l, c, box);
      At(l, c).Box = box;
      connect(box, &QComboBox::currentIndexChanged, this, &FormatTable::Changed);
    }
  }
  grid_->resizeRowsToContents();
  // Every row shown whole: rows differ in height (a box is taller than a text), and the
  // header has no height of its own before it is shown.
  int height = grid_->horizontalHeader()->sizeHint().height() + 2 * grid_->frameWidth() + 2;
  for (int l = 0; l < lines_; ++l) height += grid_->rowHeight(l);
  grid_->setMinimumHeight(height);
  layout->addWidget(grid_);
}

bool FormatTable::Valid(int line, int column) const {
  return line >= 0 && line < lines_ && column >= 0 && column < static_cast<int>(columns_.size());
}

QComboBox* FormatTable::Box(int line, int column) const {
  return Valid(line, column) ? At(line, column).Box : nullptr;
}

std::uint8_t FormatTable::Shown(int line, int column) const {
  if (!Valid(line, column)) return 0;
  if (QComboBox* box = At(line, column).Box)
    return static_cast<std::uint8_t>(box->currentData().toInt());
  const std::span<std::uint8_t> bytes = columns_[static_cast<std::size_t>(column)].Bytes;
  return static_cast<std::size_t>(line) < bytes.size() ? bytes[static_cast<std::size_t>(line)] : 0;
}

void FormatTable::Show(int line, int column, int code) {
  QComboBox* box = Box(line, column);
  if (!box) return;
  const int i = box->findData(code);
  if (i < 0 || i == box->currentIndex()) return;
  const QSignalBlocker block(box);
  box->setCurrentIndex(i);
}

void FormatTable::Load() {
  for (int c = 0; c < static_cast<int>(columns_.size()); ++c) {
    const std::span<std::uint8_t> bytes = columns_[static_cast<std::size_t>(c)].Bytes;
    for (int l = 0; l < lines_ && static_cast<std::size_t>(l) < bytes.size(); ++l) {
      Cell& cell = At(l, c);
      if (!cell.Box) continue;
      const QSignalBlocker block(cell.Box);
      const int i = cell.Box->findData(bytes[static_cast<std::size_t>(l)]);
      cell.Box->setCurrentIndex(i < 0 ? 0 : i);
      cell.Loaded = cell.Box->currentIndex();
    }
  }
}

void FormatTable::Store() {
  for (int c = 0; c < static_cast<int>(columns_.size()); ++c) {
    const std::span<std::uint8_t> bytes = columns_[static_cast<std::size_t>(c)].Bytes;
    for (int l = 0; l < lines_ && static_cast<std::size_t>(l) < bytes.size(); ++l) {
      Cell& cell = At(l, c);
      if (!cell.Box || cell.Box->currentIndex() < 0 || cell.Box->currentIndex() == cell.Loaded)
        continue;
      bytes[static_cast<std::size_t>(l)] =
          static_cast<std::uint8_t>(cell.Box->currentData().toInt());
      cell.Loaded = cell.Box->currentIndex();
    }
  }
}

}  // namespace vilk::ui
