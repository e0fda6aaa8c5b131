#include "signals/addr_edit.h"

#include <QEventLoop>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

namespace vilk::ui {

AddressRange BoardAddresses() {
  AddressRange r;
  r.First = 1;
  r.Last = 8;
  r.Skipped = {7};
  return r;
}

AddressRange PortAddresses() {
  return AddressRange{};
}

TAddrEditForm::TAddrEditForm(const AddressRange& range, QWidget* parent)
    : QFrame(parent, Qt::Popup) {
  setFrameShape(QFrame::Box);
  setAttribute(Qt::WA_DeleteOnClose, false);
  auto* grid = new QGridLayout(this);
  grid->setSpacing(2);
  grid->setContentsMargins(3, 3, 3, 3);
  int cell = 0;
  for (int a = range.First; a <= range.Last; ++a) {
    if (range.Skipped.count(a)) continue;
    auto* b = new QPushButton(QString::number(a), this);
    b->setObjectName(QStringLiteral("addr%1").arg(a));
    b->setFixedSize(b->fontMetrics().horizontalAdvance(QStringLiteral("888")) + 16,
                    b->fontMetrics().height() + 10);
    b->setFlat(range.Used.count(a) && a != range.Own);
    if (a == range.Own) {
      b->setDefault(true);
      QFont f = b->font();
      f.setBold(true);
      b->setFont(f);
    }
    connect(b, &QPushButton::clicked, this, [this, a] {
      chosen_ = a;
      emit Picked(a);
      close();
    });
    grid->addWidget(b, cell / range.Columns, cell % range.Columns);
    ++cell;
  }
}

QPushButton* TAddrEditForm::Button(int address) const {
  return findChild<QPushButton*>(QStringLiteral("addr%1").arg(address));
}

int TAddrEditForm::Pick(QLineEdit* edit, const AddressRange& range) {
  TAddrEditForm popup(range, edit);
  popup.move(edit->mapToGlobal(QPoint(0, edit->height())));
  QEventLoop loop;
  connect(&popup, &TAddrEditForm::Picked, edit,
          [edit](int a) { edit->setText(QString::number(a)); });
  connect(&popup, &QObject::destroyed, &loop, &QEventLoop::quit);
  popup.show();
  // The popup closes on a click or when it loses focus.
  while (popup.isVisible()) loop.processEvents(QEventLoop::WaitForMoreEvents);
  return popup.Chosen();
}

}  // namespace vilk::ui
