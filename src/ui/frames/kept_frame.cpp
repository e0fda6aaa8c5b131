#include "frames/kept_frame.h"

#include <QLabel>
#include <QVBoxLayout>

#include "qt_text.h"

namespace vilk::ui {

TKeptFrame::TKeptFrame(TItem* item, QWidget* parent) : ItemFrame(item, parent) {
  const TItem* kept = item;
  while (kept && !kept->IsKept()) kept = kept->Parent();
  auto* layout = new QVBoxLayout(this);
  auto* title = new QLabel(Q(item->Caption()), this);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  layout->addWidget(title);
  QString text = QStringLiteral(
      "Этот блок записан более новой версией конфигуратора или относится к типу, который "
      "эта версия не знает. Он показан только для просмотра и сохраняется в файл и в "
      "контроллер без изменений.");
  if (kept)
    text += QStringLiteral("\n\nБлок: ID = %1, %2 байт.")
                .arg(kept->BlockId())
                .arg(static_cast<qulonglong>(kept->KeptBlock().size()));
  auto* note = new QLabel(text, this);
  note->setWordWrap(true);
  layout->addWidget(note);
  layout->addStretch(1);
}

}  // namespace vilk::ui
