#pragma once
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>

#include "form.h"
#include "ports/telemechanics/pc.h"

namespace vilk::ui {

// A control-centre PC: connection, formats, permissions, address bases, export.
class TPCFrame : public ItemFrame {
  Q_OBJECT
 public:
  TPCFrame(TItem* item, QWidget* parent);
  void SetToFrame() override;
  void GetFromFrame() override;
  int HelpContext() const override { return 1; }

  QTabWidget* Tabs() const { return tabs_; }
  // The chooser of a format table cell (nullptr for fixed cells). Rows 0..5, columns
  // 0 ТС, 1 ТИ, 2 ТИИ.
  QComboBox* FormatBox(int row, int column) const;
  QLabel* UpdatePeriod() const { return period_; }
  // Export to a chosen file; tests replace the chooser.
  std::function<QString(const QString& filter, const QString& suggested)> ChooseFile;
  bool ExportXml();
  bool ExportIni();

 private:
  TPC* Pc() const { return static_cast<TPC*>(Item()); }
  void BuildFormatTable(QWidget* parent);
  void FormatsChanged();
  void RefreshPeriod();

  QTabWidget* tabs_;
  QTableWidget* formats_;
  QLabel* period_;
  QComboBox* boxes_[6][3] = {};
  QString exportFile_;
};

}  // namespace vilk::ui
