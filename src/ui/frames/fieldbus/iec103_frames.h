#pragma once
// IEC-103 polling in the window: the port frame (board, address, times), the device frame
// (address, type, attempts, place, the three address tables in table editors), the
// parameter dialog that fills a table from the template's signal list, and the port's
// add command (the address dialog with the IEC-103 library).
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <array>
#include <vector>

#include "form.h"
#include "frames/fieldbus/table_frame.h"
#include "frames/port_rows.h"
#include "ports/fieldbus/iec103.h"
#include "signals/addr_edit.h"

namespace vilk::ui {

// "Порт опроса устройств по протоколу MЭК 870-5-103".
class TPort103Frame : public DevicePortFrame {
  Q_OBJECT
 public:
  TPort103Frame(TItem* item, QWidget* parent);
};

// "МЭК 870-5-103 устройство".
class TRTU103Frame : public ItemFrame {
  Q_OBJECT
 public:
  TRTU103Frame(TItem* item, QWidget* parent);
  void SetToFrame() override;
  // The tables are read into scratch tables first: a bad cell that the user does not
  // ignore leaves the device as it was, shows that cell and refuses.
  bool GetFromFrame() override;

  QSpinBox* AddressEdit() const { return address_; }
  QComboBox* TypeBox() const { return typeBox_; }
  QLabel* ErrorLabel() const { return error_; }
  QTabWidget* Tabs() const { return tabs_; }
  TTableFrame* Table(int signalKind) const;
  QPushButton* ChooseButton(int signalKind) const;
  QPushButton* SaveButton() const { return save_; }
  QPushButton* DeleteButton() const { return delete_; }

  void TypeChosen(const QString& name);
  void SaveTemplate();
  void DeleteTemplate();
  void ChooseParameters(int signalKind);

 private:
  TRTU103* Device() const { return static_cast<TRTU103*>(Item()); }
  QWidget* TableTab(int index, const QString& heading);
  void FillTypeBox();
  void ShowState();

  QSpinBox* address_ = nullptr;
  QComboBox* typeBox_ = nullptr;
  QLabel* error_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  std::array<TTableFrame*, 3> tables_{};
  std::array<QPushButton*, 3> choose_{};
  QPushButton *save_ = nullptr, *delete_ = nullptr;
};

// The parameter dialog of a device table: a copy of the table, the template's signal
// list; "Добавить параметры в таблицу" appends a row per selected line (its key's numbers),
// "Принять" hands the table back.
class TSelectParamIEC103 : public QDialog {
  Q_OBJECT
 public:
  using Lines = std::vector<std::pair<std::string, std::string>>;
  TSelectParamIEC103(QWidget* parent, const QString& section, const TableModel& table,
                     const Lines& lines);
  TTableFrame* Grid() const { return grid_; }
  QListWidget* List() const { return list_; }
  QPushButton* AddButton() const { return add_; }
  void AddSelected();

 private:
  TTableFrame* grid_;
  QListWidget* list_;
  QPushButton* add_;
  Lines lines_;
};

// The add-device command of an IEC-103 port: the address dialog, then the port adds.
TItem* AddIec103Devices(TItem* port, int kind, QWidget* parent);

}  // namespace vilk::ui
