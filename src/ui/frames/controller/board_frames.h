#pragma once
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "controller/di.h"
#include "controller/proc.h"
#include "controller/rs232.h"
#include "form.h"

namespace vilk::ui {

// The processor board: place, sporadic TI groups, password flags.
class TProcFrame : public ItemFrame {
  Q_OBJECT
 public:
  TProcFrame(TItem* item, QWidget* parent);
  QTableWidget* Groups() const { return groups_; }

 private:
  TProc* Proc() const { return static_cast<TProc*>(Item()); }
  QString Cell(int row, int column) const;
  QStringList Texts() const;
  void LoadGroups();
  // A named row whose number cell does not read refuses the write-back.
  bool CheckGroups();
  void StoreGroups();

  QTableWidget* groups_;
  std::vector<SporadicGroup> rows_;  // the values behind the rows as last loaded or stored
  QStringList shown_;                // the cell texts at that time, row by row
};

// A COM board.
class TRS232Frame : public ItemFrame {
  Q_OBJECT
 public:
  TRS232Frame(TItem* item, QWidget* parent);
  void SetToFrame() override;
  QComboBox* Speed() const { return speed_; }
  QComboBox* Parity() const { return parity_; }
  QComboBox* StopBits() const { return stop_; }
  QComboBox* Interface() const { return iface_; }
  ClampSpinBox* StartUp() const { return startUp_; }
  ClampSpinBox* ReceiveGap() const { return gap_; }

 private:
  TRS232* Board() const { return static_cast<TRS232*>(Item()); }
  void SerialChanged();
  void UpdateEnabling();

  QComboBox *speed_, *parity_, *stop_, *iface_;
  ClampSpinBox *startUp_, *gap_, *switchOff_, *tcpPort_;
  QLabel* used_;
  QPushButton* go_;
};

// The discrete-input board.
class TDIFrame : public ItemFrame {
  Q_OBJECT
 public:
  TDIFrame(TItem* item, QWidget* parent);
};

}  // namespace vilk::ui
