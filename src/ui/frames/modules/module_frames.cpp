#include "frames/modules/module_frames.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

#include "model/configuration.h"
#include "theme.h"

namespace vilk::ui {

TPortDoroFrame::TPortDoroFrame(TItem* item, QWidget* parent)
    : DevicePortFrame(item, parent, &TPortDoro::ModuleCount) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FrameTitle(
      QStringLiteral("Порт опроса модулей ввода-вывода по протоколу МЭК 870-5-101 "), this));
  auto* body = new QWidget(this);
  Form form(this, body);
  rows_->AddBoard(form);
  rows_->AddAddress(form);
  rows_->AddCount(form);
  layout->addWidget(body);
  layout->addStretch();
}

TModuleFrame::TModuleFrame(TItem* item, QWidget* parent) : ItemFrame(item, parent) {
  TModule* module = Module();
  const ModuleKindInfo& info = module->Info();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FrameTitle(Q(info.Title), this));
  auto* body = new QWidget(this);
  Form form(this, body);

  auto* protocol = new QLabel(QStringLiteral("МЭК 870-5-101 "), body);
  form.Add(QStringLiteral("Протокол"), protocol);

  auto* addressRow = new QWidget(body);
  auto* h = new QHBoxLayout(addressRow);
  h->setContentsMargins(0, 0, 0, 0);
  address_ = new ClampSpinBox(addressRow);
  address_->setObjectName(QStringLiteral("Адрес"));
  address_->setRange(1, 255);
  clash_ = new QLabel(QStringLiteral("Уже существует"), addressRow);
  QPalette red = clash_->palette();
  red.setColor(QPalette::WindowText, ErrorText(red));
  clash_->setPalette(red);
  clash_->hide();
  h->addWidget(address_);
  h->addWidget(clash_);
  h->addStretch();
  form.Add(QStringLiteral("Адрес"), addressRow);
  Bind([this, module] { address_->setValue(module->Number); }, [] {});
  connect(address_, &QSpinBox::valueChanged, this, &TModuleFrame::AddressChanged);

  form.Spin(QStringLiteral("Число попыток обмена"), 2, 99, module->Attempts);
  form.Spin(QStringLiteral("Время ожидания ответа, мс"), 1, 65500, module->ReplyWait);
  if (auto* riv = dynamic_cast<TMDS24*>(module)) {
    // Minutes in the frame, milliseconds in the record.
    form.SpinScaled(QStringLiteral("Период контрольного опроса, мин"), 0, 60000, riv->CheckPeriod,
                    60000);
    form.Spin(QStringLiteral(" Время антидребезга ТС, мс"), 0, 60000, riv->Debounce);
  } else if (auto* command = dynamic_cast<TCommandModule*>(module)) {
    form.Spin(QStringLiteral("Время выдачи ТУ, мс"), 100, 60000, command->OutputTime)
        ->setSingleStep(100);
  }

  auto* group = new QGroupBox(Q(info.ModeCaption), body);
  auto* v = new QVBoxLayout(group);
  modes_ = new QButtonGroup(this);
  for (std::size_t i = 0; i < info.Modes.size(); ++i) {
    auto* radio = new QRadioButton(Q(info.Modes[i]), group);
    modes_->addButton(radio, static_cast<int>(i));
    v->addWidget(radio);
  }
  form.Layout()->addRow(group);
  Bind(
      [this, module] {
        if (QAbstractButton* b = modes_->button(module->Mode)) b->setChecked(true);
      },
      [] {});
  connect(modes_, &QButtonGroup::idClicked, this, &TModuleFrame::ModeChosen);

  layout->addWidget(body);
  layout->addStretch();
}

void TModuleFrame::SetToFrame() {
  ItemFrame::SetToFrame();
  // On opening: shown when more than one module of the port carries this address.
  clash_->setVisible(Module()->Clashes());
}

bool TModuleFrame::GetFromFrame() {
  if (!ItemFrame::GetFromFrame()) return false;
  Module()->UpdateSignalList();
  return true;
}

// A new address takes effect at once: caption, names and the port's link states follow.
void TModuleFrame::AddressChanged(int value) {
  if (Loading()) return;
  TModule* module = Module();
  if (value == module->Number) return;
  module->SetAddress(static_cast<std::uint8_t>(value));
  clash_->setVisible(module->Clashes());
  ItemEdited();
}

// The mode rebuilds the lists at once, so that the tree shows what the mode offers.
void TModuleFrame::ModeChosen(int mode) {
  TModule* module = Module();
  if (mode == module->Mode || mode < 0 || mode >= module->ModeCount()) return;
  module->Mode = static_cast<std::uint8_t>(mode);
  module->UpdateSignalList();
  ItemEdited();
}

}  // namespace vilk::ui
