#include "frames/telemechanics/rtu104_frame.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "model/configuration.h"

namespace vilk::ui {

TRTU104Frame::TRTU104Frame(TItem* item, QWidget* parent) : TCountedDeviceFrame(item, parent) {
  TRTU104* d = Rtu();
  auto* layout = new QVBoxLayout(this);
  auto* title = new QLabel(QStringLiteral("Устройство с протоколом МЭК 870-5-104"), this);
  QFont f = title->font();
  f.setBold(true);
  title->setFont(f);
  layout->addWidget(title);
  auto* columns = new QHBoxLayout;
  layout->addLayout(columns);

  // Left: the address and the signals; right: the protocol's timers and windows, their
  // long captions wrapped so that the frame fits beside the tree.
  auto* left = new QWidget(this);
  auto* leftLayout = new QVBoxLayout(left);
  leftLayout->setContentsMargins(0, 0, 0, 0);
  auto* top = new QWidget(left);
  Form form(this, top);
  form.Layout()->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  form.Text(QStringLiteral("Место установки"), d->Place, static_cast<int>(kMaxNameChars));
  ip_ = form.Ip(
      QStringLiteral("IP адрес "), [d] { return d->IpAddress; },
      [d](std::uint32_t v) { d->SetIp(v); });
  form.Add(QString(), MakeErrorLabel(top));
  // The last octet is the device address: caption and names follow it at once, and the
  // clash shown is then one of whole addresses.
  connect(ip_->Octet(3), &QSpinBox::valueChanged, this, [this] {
    if (Loading()) return;
    Rtu()->SetIp(ip_->Value());
    editingOctet_ = true;  // ShowState compares whole addresses once
    ListsChanged();
  });
  // The record keeps one byte: the editor offers what it holds.
  asdu_ = form.Spin(QStringLiteral("Общий адрес АСДУ"), 0, 255, d->Asdu);
  leftLayout->addWidget(top);
  leftLayout->addWidget(
      new QLabel(QStringLiteral("Таблица количества считываемых сигналов"), left));
  CountTable* counts = AddCountTable(left);
  counts->setMaximumWidth(320);
  leftLayout->addWidget(counts);
  auto* bases = new QWidget(left);
  Form baseForm(this, bases);
  baseForm.Layout()->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  AddBases(baseForm);
  leftLayout->addWidget(bases);
  leftLayout->addStretch();
  columns->addWidget(left);

  auto* right = new QWidget(this);
  Form timers(this, right);
  timers.Layout()->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  // 16-bit milliseconds: 65 s is the most they hold.
  t0_ = timers.SpinScaled(QStringLiteral("Время ожидания установки соединения T0, с"), 0, 65, d->T0,
                          1000);
  timers.SpinScaled(QStringLiteral("Интервал установки соединения, с"), 0, 65, d->ReconnectInterval,
                    1000);
  timers.SpinScaled(QStringLiteral("Время ожидания подтверждения после передачи T1, с"), 0, 65,
                    d->T1, 1000);
  timers.SpinScaled(QStringLiteral("Таймаут перед передачей подтверждения T2, с"), 0, 65, d->T2,
                    1000);
  timers.SpinScaled(QStringLiteral("Таймаут передачи тестовых кадров T3, с"), 0, 65, d->T3, 1000);
  timers.SpinScaled(QStringLiteral("Таймаут фиксакции отсутствия связи, с"), 0, 60000,
                    d->LinkLossTimeout, 1000);
  timers.SpinScaled(QStringLiteral("Интервал выдачи общего опроса, мин"), 0, 60000,
                    d->InterrogationInterval, 60000);
  timers.SpinScaled(QStringLiteral("Интервал синхронизации времени, мин"), 0, 60000,
                    d->ClockSyncInterval, 60000);
  timers.Spin(QStringLiteral("Максимальное число переданных без подтверждения кадров K"), 0, 50,
              d->K);
  timers.Spin(QStringLiteral("Максимальное число принятых кадров до выдачи подтверждения W"), 0, 50,
              d->W);
  for (int row = 0; row < timers.Layout()->rowCount(); ++row)
    if (QLayoutItem* label = timers.Layout()->itemAt(row, QFormLayout::LabelRole))
      if (auto* text = qobject_cast<QLabel*>(label->widget())) {
        text->setWordWrap(true);
        text->setMaximumWidth(280);
      }
  columns->addWidget(right, 1, Qt::AlignTop);
  layout->addStretch();
}

void TRTU104Frame::ShowState() {
  // Shown: another device with the same address; while the last octet is edited: another
  // device with the same whole IP address.
  const bool editing = editingOctet_;
  editingOctet_ = false;
  ErrorLabel()->setVisible(editing ? Rtu()->SameIp() : Rtu()->SameAddress());
}

}  // namespace vilk::ui
