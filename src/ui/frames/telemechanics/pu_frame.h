#pragma once
#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>

#include "form.h"
#include "frames/port_rows.h"
#include "ports/telemechanics/pu.h"

namespace vilk::ui {

// The control-panel port: place, board, address and protocol; the IEC-101 tab (link and
// ASDU addresses, permissions, the format table) and the address bases.
class TPUFrame : public ItemFrame {
  Q_OBJECT
 public:
  TPUFrame(TItem* item, QWidget* parent);
  void SetToFrame() override;
  bool GetFromFrame() override;

  QTabWidget* Tabs() const { return tabs_; }
  QComboBox* ProtocolBox() const { return protocol_; }
  FormatTable* Formats() const { return formats_; }
  // Rows 0..5, columns 0 ТС, 1 ТИ, 2 ТИИ; nullptr for fixed cells.
  QComboBox* FormatBox(int row, int column) const { return formats_->Box(row, column); }
  QLabel* UpdatePeriod() const { return period_; }
  ClampSpinBox* AsduEdit() const { return asdu_; }
  HexSpinEdit* BaseEdit(int kind) const;
  PortRows* Rows() const { return rows_; }
  bool ExportIni() { return Export(ini_); }
  // "Взять все сигналы из пула".
  bool TakeFromStorage();
  QPushButton* TakeButton() const { return take_; }

  static constexpr int kMainTab = 0, kIecTab = 1, kAddressTab = 2;

 private:
  TPortPU* Port() const { return static_cast<TPortPU*>(Item()); }
  int ShownProtocol() const;
  void ProtocolShown();
  void FormatsChanged();
  QString PeriodText() const;

  PortRows* rows_;
  QTabWidget* tabs_;
  QComboBox* protocol_;
  FormatTable* formats_;
  ValueLabel* period_;
  ClampSpinBox* asdu_;
  HexSpinEdit* bases_[7] = {};  // by signal kind
  ExportCommand ini_;
  QPushButton* take_;
};

}  // namespace vilk::ui
