#pragma once
#include <QPushButton>
#include <functional>

#include "form.h"
#include "frames/port_rows.h"
#include "ports/devices/auto_port.h"

namespace vilk::ui {

// The automation port: on or off, the pool exported for the program, the program's
// outputs imported as the port's ТС and ТУ lists.
class TAutoFrame : public ItemFrame {
  Q_OBJECT
 public:
  TAutoFrame(TItem* item, QWidget* parent);

  bool ExportInputs() { return Export(export_); }
  // Picks the program's file (ChooseImport) and reads its outputs.
  bool ImportOutputs();
  // Tests replace the open dialog.
  std::function<QString(const QString& filter)> ChooseImport;
  QPushButton* ImportButton() const { return import_; }
  ValueLabel* Counts() const { return counts_; }

 private:
  TPortAuto* Port() const { return static_cast<TPortAuto*>(Item()); }

  PortRows* rows_;
  ExportCommand export_;
  QPushButton* import_;
  ValueLabel* counts_;
};

}  // namespace vilk::ui
