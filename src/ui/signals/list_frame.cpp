#include "signals/list_frame.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/files.h"
#include "qt_text.h"
#include "signals/csv.h"
#include "signals/csv_preview.h"

#include "link/live_values.h"
#include "model/configuration.h"
#include "signals/editor_ti.h"
#include "signals/editor_tu.h"
#include "signals/storage.h"

namespace vilk::ui {

TFrameParams::TFrameParams(TItem* item, QWidget* parent) : ItemFrame(item, parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  value_ = new QCheckBox(QStringLiteral("Значение"), this);
  const int kind = List()->SignalKind;
  value_->setVisible(List()->ListRole == kRoleOwn && kind != kKindTU && kind != kKindTR);
  value_->setEnabled(static_cast<bool>(LiveValues::Provider()));
  nameDef_ = new QCheckBox(QStringLiteral("NameDef"), this);
  nameDef_->setVisible(false);
  auto* top = new QHBoxLayout;
  top->addWidget(value_);
  top->addStretch(1);
  // Own and selection lists go to and come from spreadsheets; pool lists are only views.
  if (List()->ListRole == kRoleOwn || List()->ListRole == kRoleSelection) {
    exportCsv_ = new QPushButton(QStringLiteral("Экспорт в CSV..."), this);
    importCsv_ = new QPushButton(QStringLiteral("Импорт из CSV..."), this);
    top->addWidget(exportCsv_);
    top->addWidget(importCsv_);
    connect(exportCsv_, &QPushButton::clicked, this, [this] { ExportCsv(); });
    connect(importCsv_, &QPushButton::clicked, this, [this] { ImportCsv(); });
  }
  layout->addLayout(top);
  ChooseImportFile = [this] {
    return QFileDialog::getOpenFileName(this, QStringLiteral("Импорт из CSV"), QString(),
                                        QStringLiteral("Таблица CSV (*.csv);;Все файлы (*)"));
  };
  ConfirmImport = [this](const CsvImportPlan& plan, const QString& file, bool& skipErrors) {
    // The window owns the preview: a frame can be replaced while the preview is open.
    CsvPreviewDialog dialog(plan, QFileInfo(file).fileName(), window());
    if (dialog.exec() != QDialog::Accepted) return false;
    skipErrors = dialog.SkipErrors();
    return true;
  };
  view_ = new SignalTableView(List(), this);
  layout->addWidget(view_, 1);

  view_->Hooks.Changed = [this] {
    List()->Storage().RebuildPool();
    ItemEdited();
    emit SignalsChanged();
  };
  view_->Hooks.EditGain = [this](int row) { EditGain(row); };
  view_->Hooks.EditBlocking = [this](int row) { EditBlocking(row); };
  live_ = new LiveValues(List(), view_, value_, List()->Config().Messages());
  connect(value_, &QCheckBox::toggled, this, [this](bool on) {
    view_->Model()->ShowValues = on;
    if (on)
      live_->Start();
    else
      live_->Stop();
    view_->Refresh();
  });
  connect(nameDef_, &QCheckBox::toggled, this, [this](bool on) {
    view_->Model()->ShowDefaultNames = on;
    view_->Refresh();
  });
}

void TFrameParams::SetToFrame() {
  ItemFrame::SetToFrame();
  view_->Refresh();
}

bool TFrameParams::ExportCsv() {
  ExportCommand command;
  command.Text = QStringLiteral("Экспорт в CSV...");
  command.Filter = QStringLiteral("Таблица CSV (*.csv);;Все файлы (*)");
  command.Extension = QStringLiteral("csv");
  command.Write = [this](const std::string& path) {
    const std::string text = ExportListCsv(*List());
    std::string error;
    if (WriteFileAtomic(path, text.data(), text.size(), &error)) return true;
    List()->Config().Messages().Error("Ошибка записи файла " + path + ": " + error);
    return false;
  };
  return Export(command);
}

bool TFrameParams::ImportCsv() {
  const QString file = ChooseImportFile();
  if (file.isEmpty()) return false;
  const CsvImportPlan plan = PlanListImportFile(*List(), S(file));
  if (!plan.Error.empty()) {
    List()->Config().Messages().Error(plan.Error);
    return false;
  }
  bool skipErrors = false;
  QPointer<TFrameParams> alive(this);
  if (!ConfirmImport(plan, file, skipErrors) || !alive) return false;
  if (ApplyListImport(*List(), plan, skipErrors) == 0) return false;
  view_->Hooks.Changed();
  view_->Refresh();
  return true;
}

void TFrameParams::EditGain(int row) {
  if (TEditorTI::Edit(this, *List(), row)) view_->Hooks.Changed();
  view_->Refresh();
}

void TFrameParams::EditBlocking(int row) {
  if (TEditorTU::Edit(this, *List(), row)) view_->Hooks.Changed();
  view_->Refresh();
}

}  // namespace vilk::ui
