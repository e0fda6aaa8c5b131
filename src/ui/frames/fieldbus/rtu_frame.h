#pragma once
// A polled Modbus device: its address and type, the four polling tables, the clock and
// password settings and the two device logs; the template library ("Сохранить",
// "Удалить") and the process-wide pattern ("В шаблон", "Настроить по шаблону").
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <array>

#include "form.h"
#include "frames/fieldbus/modbus_grid.h"
#include "ports/fieldbus/modbus.h"

namespace vilk::ui {

class TRTUFrame : public ItemFrame {
  Q_OBJECT
 public:
  TRTUFrame(TItem* item, QWidget* parent) : TRTUFrame(item, parent, false) {}
  void SetToFrame() override;
  bool GetFromFrame() override;

  QSpinBox* AddressEdit() const { return address_; }
  QComboBox* TypeBox() const { return typeBox_; }
  QLabel* ErrorLabel() const { return error_; }
  QTabWidget* Tabs() const { return tabs_; }
  // The grid of a table: kKindTS, kKindTU, kKindTI or kKindTR.
  ModbusGrid* Grid(int signalKind) const;
  QPushButton* ChooseButton(int signalKind) const;
  QPushButton* EventsButton(int log) const { return events_[static_cast<std::size_t>(log)]; }
  QLineEdit* PasswordEdit() const { return password_; }
  QPushButton* SaveButton() const { return save_; }
  QPushButton* DeleteButton() const { return delete_; }
  QPushButton* ToPatternButton() const { return toPattern_; }
  QPushButton* FromPatternButton() const { return fromPattern_; }

  // The frame's commands (the buttons and the type box run them).
  void TypeChosen(const QString& name);
  void SaveTemplate();
  void DeleteTemplate();
  void ToPattern();
  void FromPattern();
  void ChooseParameters(int signalKind);
  void ChooseEvents(int log);  // 0 events, 1 alarms

  // Whether "В шаблон" has filled the pattern in this process.
  static bool HasPattern();

 protected:
  TRTUFrame(TItem* item, QWidget* parent, bool tcp);
  TRTU* Device() const { return static_cast<TRTU*>(Item()); }
  bool Tcp() const { return tcp_; }
  // Refreshes what follows the device rather than a field: the clash label, the buttons
  // that need the type's template.
  void ShowState();

 private:
  void BuildTop(QWidget* body);
  QWidget* TableTab(int signalKind, const QStringList& legends);
  QWidget* TimeTab();
  QWidget* LogTab();
  void AddLog(Form& form, ModbusLog& log, int index);
  template <typename Table>
  void BindGrid(ModbusGrid* grid, Table& table, const QString& name);
  QLineEdit* HexEdit(Form& form, const QString& label, std::uint16_t& field);
  void FillTypeBox();

  bool tcp_;
  QSpinBox* address_ = nullptr;
  QComboBox* typeBox_ = nullptr;
  QLabel* error_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  std::array<ModbusGrid*, 4> grids_{};
  std::array<QPushButton*, 4> choose_{};
  std::array<QPushButton*, 2> events_{};
  std::array<ValueLabel*, 2> eventCounts_{};
  QLineEdit* password_ = nullptr;
  QPushButton *save_ = nullptr, *delete_ = nullptr, *toPattern_ = nullptr, *fromPattern_ = nullptr;
};

// A Modbus TCP device: the unit address and the IP address (its last octet is the device
// number); no device logs.
class TRTUTCPFrame : public TRTUFrame {
  Q_OBJECT
 public:
  TRTUTCPFrame(TItem* item, QWidget* parent) : TRTUFrame(item, parent, true) {}
};

}  // namespace vilk::ui
