#pragma once
#include <QComboBox>
#include <QPushButton>
#include <QTableWidget>

#include "controller/controller.h"
#include "frame.h"

namespace vilk::ui {

// The controller: the model selector and the table of ports and their boards.
class TControllerFrame : public ItemFrame {
  Q_OBJECT
 public:
  TControllerFrame(TItem* item, QWidget* parent);
  void SetToFrame() override;
  QComboBox* ModelBox() const { return model_; }
  QTableWidget* PortGrid() const { return grid_; }
  QPushButton* DetectButton() const { return detect_; }

 private:
  void ModelChosen(int index);
  void CellDoubleClicked(int row, int column);
  TController* Controller() const { return static_cast<TController*>(Item()); }

  QComboBox* model_;
  QPushButton* detect_;
  QTableWidget* grid_;
};

}  // namespace vilk::ui
