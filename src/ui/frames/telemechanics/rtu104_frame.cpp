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

  auto* left = new QWidget(this);
  Form form(this, left);
  form.Text(QStringLiteral("Место установки"), d->Place, static_cast<int>(kMaxNameChars));
  ip_ = form.Ip(
      QStringLiteral("IP адрес "), [d] { return d->IpAddress; },
      [d](std::uint32_t v) { d->SetIp(v); });
  form.Add(QString(), MakeErrorLabel(left));
  // The last octet is the device address: caption and names follow it at once, and the
  // clash shown is then one of whole addresses.
  connect(ip_->Octet(3), &QSpinBox::valueChanged, this, [this] {
    if (Loading()) return;
    editingOctet_ = true;
    Rtu()->SetIp(ip_->Value());
    ListsChanged();
    editingOctet_ = false;
  });
  // The record keeps one byte: the editor offers what it holds.
  asdu_ = form.Spin(QStringLiteral("Общий адрес АСДУ"), 0, 255, d->Asdu);
  // 16-bit milliseconds: 65 s is the most they hold.
  t0_ = form.SpinScaled(QStringLiteral("Время ожидания установки соединения T0, с"), 0, 65, d->T0,
                        1000);
  form.SpinScaled(QStringLiteral("Интервал установки соединения, с"), 0, 65, d->ReconnectInterval,
                  1000);
  form.SpinScaled(QStringLiteral("Время ожидания подтверждения после передачи T1, с"), 0, 65, d->T1,
                  1000);
  form.SpinScaled(QStringLiteral("Таймаут перед передачей подтверждения T2, с"), 0, 65, d->T2,
                  1000);
  form.SpinScaled(QStringLiteral("Таймаут передачи тестовых кадров T3, с"), 0, 65, d->T3, 1000);
  form.SpinScaled(QStringLiteral("Таймаут фиксакции отсутствия связи, с"), 0, 60000,
                  d->LinkLossTimeout, 1000);
  form.SpinScaled(QStringLiteral("Интервал выдачи общего опроса, мин"), 0, 60000,
                  d->InterrogationInterval, 60000);
  form.SpinScaled(QStringLiteral("Интервал синхронизации времени, мин"), 0, 60000,
                  d->ClockSyncInterval, 60000);
  form.Spin(QStringLiteral("Максимальное число переданных без подтверждения кадров K"), 0, 50,
            d->K);
  form.Spin(QStringLiteral("Максимальное число принятых кадров до выдачи подтверждения W"), 0, 50,
            d->W);
  columns->addWidget(left, 1);

  auto* right = new QWidget(this);
  auto* rightLayout = new QVBoxLayout(right);
  rightLayout->setContentsMargins(0, 0, 0, 0);
  rightLayout->addWidget(
      new QLabel(QStringLiteral("Таблица количества считываемых сигналов"), right));
  rightLayout->addWidget(AddCountTable(right));
  auto* bases = new QWidget(right);
  Form baseForm(this, bases);
  AddBases(baseForm);
  rightLayout->addWidget(bases);
  rightLayout->addStretch();
  columns->addWidget(right);
  layout->addStretch();
}

void TRTU104Frame::ShowState() {
  // Shown: another device with the same address; while the last octet is edited: another
  // device with the same whole IP address.
  ErrorLabel()->setVisible(editingOctet_ ? Rtu()->SameIp() : Rtu()->SameAddress());
}

}  // namespace vilk::ui
