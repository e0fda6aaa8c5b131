#include "signals/editor_tu.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/text.h"
#include "model/configuration.h"
#include "qt_text.h"
#include "signals/list_edit.h"
#include "signals/storage.h"
#include "widgets.h"

namespace vilk::ui {

TEditorTU::TEditorTU(QWidget* parent, TParams& list, int row)
    : QDialog(parent), list_(list), row_(row) {
  const TParam& s = *list.At(row);
  setWindowTitle(Q(Truncate("Выбор сигналов блокировки выдачи ТУ " + s.Name(), 100)));
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  QStringList names{QString()};
  const TParams& inputs = list.Storage().List(kKindTS);
  for (const TParam* ts : inputs.Items)
    if (ts) names << Q(ts->Name());
  auto box = [&](int r, const QString& caption, const TParam* current) {
    grid->addWidget(new QLabel(caption, this), r * 2, 0, 1, 2);
    auto* combo = new QComboBox(this);
    combo->addItems(names);
    combo->setCurrentText(current ? Q(current->Name()) : QString());
    auto* clear = new QPushButton(QStringLiteral("Очистить"), this);
    connect(clear, &QPushButton::clicked, combo, [combo] { combo->setCurrentIndex(0); });
    grid->addWidget(combo, r * 2 + 1, 0);
    grid->addWidget(clear, r * 2 + 1, 1);
    return combo;
  };
  on_ = box(0, QStringLiteral("ТС блокирующий / разрешающий выдачу ТУ Включить"), s.BlockOn.get());
  off_ =
      box(1, QStringLiteral("ТС блокирующий / разрешающий выдачу ТУ Отключить"), s.BlockOff.get());
  layout->addLayout(grid);
  layout->addWidget(new QLabel(QStringLiteral("Значение \"0\" - блокирует выдачу команды"), this));
  layout->addWidget(new QLabel(QStringLiteral("Значение \"1\" - разрешает выдачу команды"), this));
  AddAcceptRow(this, layout, QStringLiteral("Принять"), QStringLiteral("Отмена"), [this] {
    Accept();
    return true;
  });
}

bool TEditorTU::Edit(QWidget* parent, TParams& list, int row) {
  if (row < 0 || row >= list.Count() || !list.At(row)) return false;
  TEditorTU dialog(parent, list, row);
  return dialog.exec() == QDialog::Accepted;
}

void TEditorTU::Accept() {
  SetBlocking(list_, row_, S(on_->currentText()), S(off_->currentText()));
}

}  // namespace vilk::ui
