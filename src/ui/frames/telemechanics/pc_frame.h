#pragma once
#include <QComboBox>
#include <QLabel>
#include <QTabWidget>

#include "form.h"
#include "ports/telemechanics/pc.h"

namespace vilk::ui {

// A control-centre PC: connection, formats, permissions, address bases, export.
class TPCFrame : public ItemFrame {
  Q_OBJECT
 public:
  TPCFrame(TItem* item, QWidget* parent);
  void SetToFrame() override;
  bool GetFromFrame() override;

  QTabWidget* Tabs() const { return tabs_; }
  FormatTable* Formats() const { return formats_; }
  // The chooser of a format table cell (nullptr for fixed cells). Rows 0..5, columns
  // 0 ТС, 1 ТИ, 2 ТИИ.
  QComboBox* FormatBox(int row, int column) const;
  QLabel* UpdatePeriod() const { return period_; }
  // Export to a chosen file (ItemFrame::ChooseFile).
  bool ExportXml() { return Export(xml_); }
  bool ExportIni() { return Export(ini_); }

 private:
  TPC* Pc() const { return static_cast<TPC*>(Item()); }
  void FormatsChanged();
  QString PeriodText() const;

  QTabWidget* tabs_;
  FormatTable* formats_;
  ValueLabel* period_;
  ExportCommand xml_, ini_;
};

}  // namespace vilk::ui
