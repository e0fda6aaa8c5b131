#include "frames/snmp/snmp_frames.h"

#include <QDir>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "model/configuration.h"
#include "signals/storage.h"
#include "snmp/mib_dialog.h"

namespace vilk::ui {

TPortSNMPFrame::TPortSNMPFrame(TItem* item, QWidget* parent) : ItemFrame(item, parent) {
  auto* layout = new QVBoxLayout(this);
  auto* body = new QWidget(this);
  Form form(this, body);
  TPortSNMP* port = Port();
  form.Value(QStringLiteral("Адрес порта"), [port] { return QString::number(port->Number); });
  // The poll period and the answer wait are kept as they are: their fields are not shown.
  count_ = new QLabel(body);
  form.Add(QString(), count_);
  layout->addWidget(body);
  layout->addStretch();
}

void TPortSNMPFrame::SetToFrame() {
  ItemFrame::SetToFrame();
  count_->setText(Q(Port()->CountText()));
}

TRTUSNMPFrame::TRTUSNMPFrame(TItem* item, QWidget* parent) : ItemFrame(item, parent) {
  auto* layout = new QVBoxLayout(this);
  auto* title = new QLabel(QStringLiteral("Устройство с протоколом SNMP"), this);
  QFont f = title->font();
  f.setBold(true);
  title->setFont(f);
  layout->addWidget(title);
  auto* body = new QWidget(this);
  Form form(this, body);
  TSNMP* d = Device();
  form.Text(QStringLiteral("Место установки"), d->Place, static_cast<int>(kMaxNameChars));
  address_ = form.Ip(
      QStringLiteral("IP адрес"), [d] { return IpFromBytes(d->Device.Address); },
      [d](std::uint32_t v) { d->SetAddress(IpToBytes(v)); });
  // The last byte is the device number: caption and signal names follow it at once.
  connect(address_->Octet(3), &QSpinBox::valueChanged, this, [this] {
    if (Loading()) return;
    Device()->SetAddress(IpToBytes(address_->Value()));
    Device()->Storage().RebuildPool();
    ItemEdited();
  });
  auto* chooseRow = new QWidget(body);
  auto* chooseLayout = new QHBoxLayout(chooseRow);
  chooseLayout->setContentsMargins(0, 0, 0, 0);
  choose_ = new QPushButton(QStringLiteral("Выбрать параметры"), chooseRow);
  chooseLayout->addWidget(choose_);
  chooseLayout->addStretch();
  form.Add(QString(), chooseRow);
  tags_ = new QLabel(body);  // one tag per line
  form.Add(QStringLiteral("Теги"), tags_);
  layout->addWidget(body);
  layout->addStretch();
  connect(choose_, &QPushButton::clicked, this, &TRTUSNMPFrame::ChooseParameters);
}

void TRTUSNMPFrame::SetToFrame() {
  ItemFrame::SetToFrame();
  QStringList names;
  for (const TSNMP_Tag& t : Device()->Device.Tags) names << Q(t.Name);
  tags_->setText(names.isEmpty() ? QStringLiteral("нет") : names.join(QLatin1Char('\n')));
}

void TRTUSNMPFrame::ChooseParameters() {
  if (!Store()) return;
  TMIBdlg& dialog = TMIBdlg::Instance(window());
  TSNMP_TagList tags = Device()->Device.Tags;
  if (dialog.Edit(tags)) {
    Device()->SetTags(std::move(tags));
    Device()->UpdateSignalList();
    Device()->Storage().RebuildPool();
    ItemEdited();
  }
  SetToFrame();
}

}  // namespace vilk::ui
