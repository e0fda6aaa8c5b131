#pragma once
// The DORO port and its I/O modules (RIV-24, DED-12, ZUZ-24).
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <vector>

#include "form.h"
#include "frames/port_rows.h"
#include "ports/modules/modules.h"
#include "ports/modules/port_doro.h"

namespace vilk::ui {

// "Порт опроса модулей ввода-вывода по протоколу МЭК 870-5-101 ": board, address, count.
class TPortDoroFrame : public DevicePortFrame {
  Q_OBJECT
 public:
  TPortDoroFrame(TItem* item, QWidget* parent);
};

// One frame for the three module kinds: address (taken at once, with the "Уже существует"
// warning), retries and timing, and the mode, which rebuilds the module's lists at once.
class TModuleFrame : public ItemFrame {
  Q_OBJECT
 public:
  TModuleFrame(TItem* item, QWidget* parent);
  void SetToFrame() override;
  bool GetFromFrame() override;

  QSpinBox* AddressSpin() const { return address_; }
  QLabel* ClashLabel() const { return clash_; }
  QButtonGroup* Modes() const { return modes_; }

 private:
  TModule* Module() const { return static_cast<TModule*>(Item()); }
  void AddressChanged(int value);
  void ModeChosen(int mode);
  QSpinBox* address_;
  QLabel* clash_;
  QButtonGroup* modes_;
};

}  // namespace vilk::ui
