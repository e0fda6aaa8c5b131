#include "frames/meters/meter_frames.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>

#include "model/configuration.h"
#include "signals/storage.h"
#include "theme.h"

namespace vilk::ui {

namespace {

QString PortTitle(int kind) {
  switch (kind) {
    case kPortCE318:
      return QStringLiteral("Порт счётчиков CE-318");
    case kPortCC301:
      return QStringLiteral("Порт счётчика CC-301");
    default:
      return QStringLiteral("Порт счётчика CE-303");
  }
}

QString MeterTitle(int kind) {
  switch (kind) {
    case kMeterCE318:
      return QStringLiteral("Cчётчик CE318");
    case kMeterCC301:
      return QStringLiteral("Cчётчик CC-301");
    default:
      return QStringLiteral("Cчётчик CE-303 / 301");
  }
}

constexpr int kMaxCE318Address = 99999999;  // eight digits

}  // namespace

// --- the port ---

TMeterPortFrame::TMeterPortFrame(TItem* item, QWidget* parent)
    : DevicePortFrame(item, parent, &TMeterPort::MeterCount) {
  auto* port = static_cast<TMeterPort*>(item);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FrameTitle(PortTitle(port->Kind), this));
  auto* body = new QWidget(this);
  Form form(this, body);
  rows_->AddBoard(form, QStringLiteral("BlockBox"));
  rows_->AddAddress(form);

  // Values the editors cannot show (a period of 0 or above 60 in a file) stay as stored
  // until the user changes them.
  period_ = form.Spin(QStringLiteral("Период опроса энергии, мин"), 1, 60, port->Period);
  if (port->HasTcpPort()) tcp_ = form.Spin(QStringLiteral("Порт ТСР"), 0, 65535, port->TcpPort);
  rows_->AddCount(form);
  layout->addWidget(body);
  layout->addStretch();
}

// --- the meter ---

TMeterFrame::TMeterFrame(TItem* item, QWidget* parent) : ItemFrame(item, parent) {
  TMeter* m = Meter();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FrameTitle(MeterTitle(m->Kind), this));
  auto* body = new QWidget(this);
  Form form(this, body);

  auto* row = new QWidget(body);
  auto* h = new QHBoxLayout(row);
  h->setContentsMargins(0, 0, 0, 0);
  address_ = new ClampSpinBox(row);
  address_->setObjectName(QStringLiteral("AddrEdit"));
  const bool wide = m->Kind == kMeterCE318;
  address_->setRange(wide ? 0 : 1, wide ? kMaxCE318Address : 255);
  error_ = new QLabel(QStringLiteral("Уже существует"), row);
  error_->setObjectName(QStringLiteral("ErrorLabel"));
  QPalette red = error_->palette();
  red.setColor(QPalette::WindowText, ErrorText(red));
  error_->setPalette(red);
  error_->setVisible(false);
  h->addWidget(address_);
  h->addWidget(error_);
  h->addStretch();
  form.Add(QStringLiteral("Адрес в сети"), row);
  // The address is taken at once (captions and names follow it); an address the editor
  // cannot show stays as stored until it is changed.
  Bind(
      [this, m] {
        address_->setValue(static_cast<int>(std::min<std::uint32_t>(
            m->Address(), static_cast<std::uint32_t>(address_->maximum()))));
      },
      [] {});
  connect(address_, &QSpinBox::valueChanged, this, [this](int v) {
    if (Loading() || static_cast<std::uint32_t>(v) == Meter()->Address()) return;
    Meter()->SetAddress(static_cast<std::uint32_t>(v));
    Apply();
  });

  place_ = form.Text(QStringLiteral("Место установки"), m->Place, static_cast<int>(kMaxNameChars));
  // A stored 0 (a new meter, or a file) stays 0 until the user sets a number.
  repeat_ = form.Spin(QStringLiteral("Число попыток обмена"), 2, 99, m->Attempts);

  if (auto* cc = dynamic_cast<TCC301*>(m)) {
    auto* group = new QGroupBox(QStringLiteral(" Сохранять энергию как: "), body);
    auto* g = new QHBoxLayout(group);
    energy_ = new QButtonGroup(group);
    const QString texts[] = {QStringLiteral("ТИИ"), QStringLiteral("ТИ")};
    for (int code = 0; code < 2; ++code) {
      auto* button = new QRadioButton(texts[code], group);
      energy_->addButton(button, code);
      g->addWidget(button);
    }
    g->addStretch();
    form.Layout()->addRow(group);
    // A stored kind other than 0 and 1 ticks neither and stays until one is chosen.
    Bind(
        [this, cc] {
          energy_->setExclusive(false);
          for (QAbstractButton* b : energy_->buttons())
            b->setChecked(energy_->id(b) == cc->EnergyKind);
          energy_->setExclusive(true);
        },
        [] {});
    connect(energy_, &QButtonGroup::idClicked, this, [this, cc](int code) {
      if (Loading() || code == cc->EnergyKind) return;
      cc->EnergyKind = static_cast<std::uint8_t>(code);
      Apply();
    });
    ratio_ = form.Choice(QStringLiteral("Коэфф. трансформации "),
                         {{QStringLiteral("Не учитывать"), 0}, {QStringLiteral("Учитывать"), 1}},
                         cc->RatioFlag);
    ratio_->setObjectName(QStringLiteral("FuncBox"));
  }

  auto* caption = new QLabel(QStringLiteral("Читаемые параметры"), body);
  form.Layout()->addRow(caption);
  params_ = new QListWidget(body);
  params_->setObjectName(QStringLiteral("CheckListBox1"));
  for (const MeterParam& p : m->Params()) {
    auto* entry = new QListWidgetItem(Q(p.Caption), params_);
    entry->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    entry->setCheckState(Qt::Unchecked);
  }
  params_->setMinimumHeight(params_->sizeHintForRow(0) * (params_->count() + 1));
  form.Layout()->addRow(params_);
  Bind(
      [this, m] {
        for (int i = 0; i < params_->count(); ++i)
          params_->item(i)->setCheckState(m->Ticked(i) ? Qt::Checked : Qt::Unchecked);
      },
      [] {});
  // A tick or an untick is taken at once; bits of items this list does not show stay.
  connect(params_, &QListWidget::itemChanged, this, [this](QListWidgetItem* entry) {
    if (Loading()) return;
    const int i = params_->row(entry);
    const bool on = entry->checkState() == Qt::Checked;
    if (i < 0 || Meter()->Ticked(i) == on) return;
    Meter()->SetTicked(i, on);
    Apply();
  });

  layout->addWidget(body);
  layout->addStretch();
}

QRadioButton* TMeterFrame::EnergyButton(int code) const {
  return energy_ ? qobject_cast<QRadioButton*>(energy_->button(code)) : nullptr;
}

void TMeterFrame::Apply() {
  TMeter* m = Meter();
  m->UpdateSignalList();
  m->Storage().RebuildPool();
  ShowState();
  ItemEdited();
}

void TMeterFrame::ShowState() {
  error_->setVisible(Meter()->Clashes());
}

void TMeterFrame::SetToFrame() {
  ItemFrame::SetToFrame();
  ShowState();
}

bool TMeterFrame::GetFromFrame() {
  if (!ItemFrame::GetFromFrame()) return false;
  // The place is part of the link state's name.
  TMeter* m = Meter();
  m->UpdateSignalList();
  m->Storage().RebuildPool();
  return true;
}

}  // namespace vilk::ui
