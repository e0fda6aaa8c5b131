#pragma once
// Energy meters: the port frames (period, TCP port, board, address) and the meter frames
// (address, place, attempts, the parameters to read; CC301 also where energy goes).
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <vector>

#include "form.h"
#include "frames/port_rows.h"
#include "ports/meters/meters.h"
#include "signals/addr_edit.h"

namespace vilk::ui {

// "Порт счётчика CE-303", "Порт счётчиков CE-318", "Порт счётчика CC-301".
class TMeterPortFrame : public DevicePortFrame {
  Q_OBJECT
 public:
  TMeterPortFrame(TItem* item, QWidget* parent);

  ClampSpinBox* PeriodEdit() const { return period_; }
  ClampSpinBox* PortTcpEdit() const { return tcp_; }  // nullptr for CE318

 private:
  ClampSpinBox* period_;
  ClampSpinBox* tcp_ = nullptr;
};

// "Cчётчик CE-303 / 301", "Cчётчик CE318", "Cчётчик CC-301".
class TMeterFrame : public ItemFrame {
  Q_OBJECT
 public:
  TMeterFrame(TItem* item, QWidget* parent);
  void SetToFrame() override;
  bool GetFromFrame() override;

  ClampSpinBox* AddressEdit() const { return address_; }
  QLabel* ErrorLabel() const { return error_; }
  QLineEdit* PlaceEdit() const { return place_; }
  ClampSpinBox* RepeatEdit() const { return repeat_; }
  // "Читаемые параметры": one checkable row per parameter of the family.
  QListWidget* ParamList() const { return params_; }
  // CC301 only (nullptr otherwise): " Сохранять энергию как: " 0 "ТИИ", 1 "ТИ".
  QRadioButton* EnergyButton(int code) const;
  QComboBox* RatioBox() const { return ratio_; }

 private:
  TMeter* Meter() const { return static_cast<TMeter*>(Item()); }
  // Caption, lists, link states and the pool after a change the frame made at once.
  void Apply();
  void ShowState();

  ClampSpinBox* address_;
  QLabel* error_;
  QLineEdit* place_;
  ClampSpinBox* repeat_;
  QListWidget* params_;
  QButtonGroup* energy_ = nullptr;
  QComboBox* ratio_ = nullptr;
};

}  // namespace vilk::ui
