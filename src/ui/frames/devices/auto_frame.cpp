#include "frames/devices/auto_frame.h"

#include <QFileDialog>
#include <QVBoxLayout>

namespace vilk::ui {

namespace {
const char kFilter[] = "Список параметров (*.ini);;Все файлы  (*.*)";
}

TAutoFrame::TAutoFrame(TItem* item, QWidget* parent) : ItemFrame(item, parent) {
  auto* layout = new QVBoxLayout(this);
  auto* title = new QLabel(QStringLiteral("Порт локальной автоматики"), this);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  layout->addWidget(title);
  auto* body = new QWidget(this);
  Form form(this, body);
  TPortAuto* port = Port();
  rows_ = new PortRows(this);
  rows_->AddAddress(form);
  form.Check(QStringLiteral("Включить автоматику"), port->Enabled);
  counts_ = form.Value(QStringLiteral("Выходы программы"), [this] {
    return QStringLiteral("ТС: %1, ТУ: %2").arg(Port()->TSNames.size()).arg(Port()->TUNames.size());
  });
  export_ = {QStringLiteral("Экспортировать список входных параметров"), QString::fromUtf8(kFilter),
             QStringLiteral("ini"),
             [this](const std::string& path) { return Port()->ExportInputs(path); }};
  form.Exports({export_});
  import_ = new QPushButton(QStringLiteral("Импортировать список выходных параметров"), body);
  form.Layout()->addRow(import_);
  connect(import_, &QPushButton::clicked, this, [this] { ImportOutputs(); });
  layout->addWidget(body);
  layout->addStretch();

  ChooseImport = [this](const QString& filter) {
    return QFileDialog::getOpenFileName(this, QStringLiteral("Открыть"), QString(), filter);
  };
}

bool TAutoFrame::ImportOutputs() {
  if (!Store()) return false;
  const QString path = ChooseImport(QString::fromUtf8(kFilter));
  if (path.isEmpty()) return false;
  if (!Port()->ImportOutputs(S(path))) return false;
  ItemEdited();
  counts_->Refresh();
  return true;
}

}  // namespace vilk::ui
