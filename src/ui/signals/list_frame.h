#pragma once
// The list editor frame of a signal list (one class per kind on one implementation).
#include <QCheckBox>
#include <functional>

#include "frame.h"
#include "signals/signal_table.h"

namespace vilk::ui {
class LiveValues;
}

class QPushButton;

namespace vilk {
struct CsvImportPlan;
}

namespace vilk::ui {

class TFrameParams : public ItemFrame {
  Q_OBJECT
 public:
  TFrameParams(TItem* item, QWidget* parent);
  void SetToFrame() override;

  TParams* List() const { return static_cast<TParams*>(Item()); }
  SignalTableView* View() const { return view_; }
  QCheckBox* ValueBox() const { return value_; }
  QPushButton* ExportCsvButton() const { return exportCsv_; }
  QPushButton* ImportCsvButton() const { return importCsv_; }

  // "Экспорт в CSV..." and "Импорт из CSV...": the list as the spreadsheet file, and the
  // file back into the list after its preview was confirmed. False when nothing happened.
  bool ExportCsv();
  bool ImportCsv();
  // The file to import (an open dialog); tests replace it.
  std::function<QString()> ChooseImportFile;
  // Shows the preview; true applies (`skipErrors` set from its box). Tests replace it.
  std::function<bool(const CsvImportPlan& plan, const QString& file, bool& skipErrors)>
      ConfirmImport;

 signals:
  // Signals changed: the pool is rebuilt and the pool page redrawn.
  void SignalsChanged();

 private:
  void EditGain(int row);
  void EditBlocking(int row);

  SignalTableView* view_;
  QCheckBox* value_;
  QCheckBox* nameDef_;
  QPushButton* exportCsv_ = nullptr;
  QPushButton* importCsv_ = nullptr;
  LiveValues* live_ = nullptr;
};

class TFrameTS : public TFrameParams {
  Q_OBJECT
 public:
  using TFrameParams::TFrameParams;
};
class TFrameTU : public TFrameParams {
  Q_OBJECT
 public:
  using TFrameParams::TFrameParams;
};
class TFrameTI : public TFrameParams {
  Q_OBJECT
 public:
  using TFrameParams::TFrameParams;
};
class TFrameTII : public TFrameParams {
  Q_OBJECT
 public:
  using TFrameParams::TFrameParams;
};
class TFrameTR : public TFrameParams {
  Q_OBJECT
 public:
  using TFrameParams::TFrameParams;
};
class TFrameMTS : public TFrameParams {
  Q_OBJECT
 public:
  using TFrameParams::TFrameParams;
};

}  // namespace vilk::ui
