#pragma once
// Frames of the two telemechanics polling kinds: their ports (address with the address
// picker, board, count of devices) and the station (protocol panels, group-type table,
// count table). The IEC-104 device frame builds on the same device frame base.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <vector>

#include "form.h"
#include "frames/port_rows.h"
#include "frames/telemechanics/count_table.h"
#include "ports/telemechanics/kp.h"
#include "ports/telemechanics/rtu104.h"
#include "signals/addr_edit.h"

namespace vilk::ui {

// "Порт опроса КП": the COM board it runs on as well.
class TPortKPFrame : public DevicePortFrame {
  Q_OBJECT
 public:
  TPortKPFrame(TItem* item, QWidget* parent);
};

// "Порт опроса по МЭК 870-5-104".
class TPortRTU104Frame : public DevicePortFrame {
  Q_OBJECT
 public:
  TPortRTU104Frame(TItem* item, QWidget* parent);
};

// What a device with a count table shows besides its own fields: the count table, whose
// committed counts rebuild the lists at once, and the six base addresses.
class TCountedDeviceFrame : public ItemFrame {
  Q_OBJECT
 public:
  TCountedDeviceFrame(TItem* item, QWidget* parent);
  void SetToFrame() override;
  bool GetFromFrame() override;
  CountTable* Counts() const { return counts_; }
  QLabel* ErrorLabel() const { return error_; }

 protected:
  TCountedDevice* Device() const { return static_cast<TCountedDevice*>(Item()); }
  CountTable* AddCountTable(QWidget* parent);
  void AddBases(Form& form);
  QLabel* MakeErrorLabel(QWidget* parent);
  // Takes the table's counts (a refusal says why and shows the device's counts again).
  void ApplyTableCounts();
  // After the device's lists changed: the pool, the table, what the frame shows of them.
  void ListsChanged();
  virtual void ShowState() {}

 private:
  CountTable* counts_ = nullptr;
  QLabel* error_ = nullptr;
};

// The group-type table of a station: 25 rows of ten groups; the context menu sets the
// type of every selected group.
class GroupTable : public QTableWidget {
  Q_OBJECT
 public:
  explicit GroupTable(QWidget* parent);
  void Show(const std::array<std::uint8_t, kKPGroups>& types);
  std::vector<int> SelectedGroups() const;
  static int GroupAt(int row, int column) { return row * 10 + column; }

 signals:
  void TypeChosen(int type);

 private:
  void MenuAt(const QPoint& pos);
};

// "Контролируемый пункт".
class TKPFrame : public TCountedDeviceFrame {
  Q_OBJECT
 public:
  TKPFrame(TItem* item, QWidget* parent);
  void SetToFrame() override;

  QSpinBox* AddressEdit() const { return address_; }
  QComboBox* ProtocolBox() const { return protocol_; }
  QGroupBox* SiriusPanel() const { return sirius_; }
  QGroupBox* Iec101Panel() const { return iec_; }
  GroupTable* Groups() const { return groups_; }
  QSpinBox* AsduEdit() const { return asdu_; }
  // Sets the selected groups to `type` (what the grid's context menu does).
  void SetSelectedGroups(int type);

 protected:
  void ShowState() override;

 private:
  TKP* Station() const { return static_cast<TKP*>(Item()); }
  void ProtocolChosen(int index);
  QSpinBox* address_ = nullptr;
  QComboBox* protocol_ = nullptr;
  QGroupBox* sirius_ = nullptr;
  QGroupBox* iec_ = nullptr;
  GroupTable* groups_ = nullptr;
  QSpinBox* asdu_ = nullptr;
};

}  // namespace vilk::ui
