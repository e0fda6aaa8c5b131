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
  void SetToFrame() override;
  void GetFromFrame() override;
  QTableWidget* Groups() const { return groups_; }

 private:
  TProc* Proc() const { return static_cast<TProc*>(Item()); }
  QTableWidget* groups_;
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
