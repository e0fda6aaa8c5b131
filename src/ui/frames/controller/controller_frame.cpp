#include "controller_frame.h"

#include <QHeaderView>
#include <QLabel>
#include <QVBoxLayout>

#include "model/configuration.h"
#include "qt_text.h"

namespace vilk::ui {

TControllerFrame::TControllerFrame(TItem* item, QWidget* parent) : ItemFrame(item, parent) {
  auto* layout = new QVBoxLayout(this);
  auto* box = new QGroupBox(QStringLiteral("Выбор типа контроллера"), this);
  auto* row = new QHBoxLayout(box);
  model_ = new QComboBox(box);
  for (int code : ModelCodes()) model_->addItem(Q(FindDescription(code)->DisplayName), code);
  detect_ = new QPushButton(QStringLiteral("Определить тип"), box);
  detect_->setEnabled(false);  // needs the controller link
  row->addWidget(model_);
  row->addWidget(detect_);
  row->addStretch();
  layout->addWidget(box);

  layout->addWidget(new QLabel(QStringLiteral("Таблица программных и аппаратных портов"), this));
  grid_ = new QTableWidget(this);
  grid_->setColumnCount(2);
  grid_->setHorizontalHeaderLabels(
      {QStringLiteral(" Программный порт"), QStringLiteral(" Аппаратный порт")});
  grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  grid_->verticalHeader()->hide();
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setToolTip(QStringLiteral("Двойной щелчок - переход к настройке выбранного порта"));
  layout->addWidget(grid_, 1);

  connect(model_, &QComboBox::activated, this, &TControllerFrame::ModelChosen);
  connect(grid_, &QTableWidget::cellDoubleClicked, this, &TControllerFrame::CellDoubleClicked);
}

void TControllerFrame::SetToFrame() {
  ItemFrame::SetToFrame();
  const QSignalBlocker block(model_);
  model_->setCurrentIndex(model_->findData(Controller()->TypeCode));
  const auto rows = Controller()->PortGrid();
  grid_->setRowCount(std::max<int>(2, static_cast<int>(rows.size())));
  grid_->clearContents();
  for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
    grid_->setItem(i, 0,
                   new QTableWidgetItem(Q(rows[static_cast<std::size_t>(i)].Port->Caption())));
    const TBlock* board = rows[static_cast<std::size_t>(i)].Board;
    grid_->setItem(i, 1, new QTableWidgetItem(board ? Q(board->Caption()) : QString()));
  }
}

void TControllerFrame::ModelChosen(int index) {
  const int code = model_->itemData(index).toInt();
  TController* c = Controller();
  if (code == c->TypeCode) return;
  if (c->Config().Messages().Question(c->ModelChangeQuestion(code), false) != Answer::Yes) {
    const QSignalBlocker block(model_);
    model_->setCurrentIndex(model_->findData(c->TypeCode));
    return;
  }
  c->TypeCode = static_cast<std::uint8_t>(code);
  c->SelectModelRecord();
  c->ApplyModel();
  SetToFrame();
  ItemEdited();
}

void TControllerFrame::CellDoubleClicked(int row, int column) {
  const auto rows = Controller()->PortGrid();
  if (row < 0 || row >= static_cast<int>(rows.size())) return;
  TItem* target = column == 0 ? static_cast<TItem*>(rows[static_cast<std::size_t>(row)].Port)
                              : rows[static_cast<std::size_t>(row)].Board;
  if (target) Item()->Config().RequestSelect(target);
}

}  // namespace vilk::ui
