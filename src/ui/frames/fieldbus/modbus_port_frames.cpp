#include "frames/fieldbus/modbus_port_frames.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QVBoxLayout>

#include "controller/controller.h"
#include "controller/proc.h"
#include "model/configuration.h"

namespace vilk::ui {

namespace {

QLabel* Title(const QString& text, QWidget* parent) {
  auto* title = new QLabel(text, parent);
  QFont f = title->font();
  f.setBold(true);
  title->setFont(f);
  return title;
}

}  // namespace

TModbusPortFrame::TModbusPortFrame(TItem* item, QWidget* parent) : ItemFrame(item, parent) {}

void TModbusPortFrame::AddAddress(Form& form) {
  address_ = new QLineEdit(form.Container());
  address_->setReadOnly(true);
  address_->setMaximumWidth(address_->fontMetrics().horizontalAdvance(QStringLiteral("8888")) + 16);
  address_->installEventFilter(this);
  form.Add(QStringLiteral("Адрес порта"), address_);
  TModbusPortBase* port = Port();
  Bind([this, port] { address_->setText(QString::number(port->Number)); }, [] {});
}

void TModbusPortFrame::AddTimes(Form& form) {
  TModbusPortBase* port = Port();
  form.Spin(QStringLiteral("Время ожидания ответа, мс"), 100, 2000, port->ReplyWait)
      ->setSingleStep(100);
  // Minutes in the frame, milliseconds in the field: 60000 minutes still fit 32 bits.
  form.SpinScaled(QStringLiteral("Период синхронизации времени, мин"), 0, 60000, port->TimeSync,
                  60000);
}

void TModbusPortFrame::AddCount(Form& form) {
  count_ = new QLabel(form.Container());
  count_->setObjectName(QStringLiteral("CountLabel"));
  form.Add(QString(), count_);
}

void TModbusPortFrame::SetToFrame() {
  // Devices added or removed since the count was taken: the count and the link states
  // follow them.
  TModbusPortBase* port = Port();
  if (port->DeviceTotal() != port->DeviceCount) port->ChildrenChanged();
  ItemFrame::SetToFrame();
  if (count_) count_->setText(Q(port->CountText()));
}

bool TModbusPortFrame::eventFilter(QObject* watched, QEvent* event) {
  if (watched == address_ && event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    OpenAddressPicker();
    return true;
  }
  return ItemFrame::eventFilter(watched, event);
}

TAddrEditForm* TModbusPortFrame::OpenAddressPicker() {
  if (picker_) return picker_;
  AddressRange range = PortAddresses();
  TModbusPortBase* port = Port();
  if (TItem* parent = port->Parent())
    for (int i = 0; i < parent->ChildCount(); ++i)
      if (TItem* other = parent->Child(i); other != port) range.Used.insert(other->Number);
  range.Own = port->Number;
  picker_ = new TAddrEditForm(range, this);
  picker_->setAttribute(Qt::WA_DeleteOnClose);
  picker_->move(address_->mapToGlobal(QPoint(0, address_->height())));
  connect(picker_, &TAddrEditForm::Picked, this, [this](int number) {
    TModbusPortBase* p = Port();
    if (number == p->Number) return;
    p->Renumber(static_cast<std::uint8_t>(number));
    address_->setText(QString::number(number));
    ItemEdited();
  });
  picker_->show();
  return picker_;
}

TPortRTUFrame::TPortRTUFrame(TItem* item, QWidget* parent) : TModbusPortFrame(item, parent) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Title(QStringLiteral("Порт опроса устройств по протоколу MODBUS-RTU"), this));
  auto* body = new QWidget(this);
  Form form(this, body);

  auto* boardRow = new QWidget(body);
  auto* h = new QHBoxLayout(boardRow);
  h->setContentsMargins(0, 0, 0, 0);
  board_ = new QComboBox(boardRow);
  board_->setObjectName(QStringLiteral("Плата"));
  board_->setMinimumContentsLength(14);
  tune_ = new QPushButton(QStringLiteral("Настроить"), boardRow);
  h->addWidget(board_);
  h->addWidget(tune_);
  h->addStretch();
  form.Add(QStringLiteral("Плата"), boardRow);
  connect(board_, &QComboBox::activated, this, &TPortRTUFrame::BoardChosen);
  connect(tune_, &QPushButton::clicked, this, [this] { Port()->GoToLinked(); });

  AddAddress(form);
  AddTimes(form);
  AddCount(form);
  layout->addWidget(body);
  layout->addStretch();
}

void TPortRTUFrame::SetToFrame() {
  TModbusPortFrame::SetToFrame();
  TModbusPortBase* port = Port();
  boards_ = Item()->Config().Controller().BoardCandidates(port, port->BoardMask);
  board_->clear();
  board_->addItem(QString());
  int current = 0;
  for (std::size_t i = 0; i < boards_.size(); ++i) {
    board_->addItem(Q(boards_[i]->Caption()));
    if (boards_[i] == port->LinkedBoard) current = static_cast<int>(i) + 1;
  }
  board_->setCurrentIndex(current);
  tune_->setEnabled(port->LinkedBoard != nullptr);
}

// The previous board is let go first; the empty entry leaves the port on none.
void TPortRTUFrame::BoardChosen(int index) {
  TModbusPortBase* port = Port();
  TBlock* board = index > 0 && index <= static_cast<int>(boards_.size())
                      ? boards_[static_cast<std::size_t>(index - 1)]
                      : nullptr;
  if (board == port->LinkedBoard) return;
  TController::SelectBoard(port, board);
  ItemEdited();
  SetToFrame();
}

TPortRTUTCPFrame::TPortRTUTCPFrame(TItem* item, QWidget* parent) : TModbusPortFrame(item, parent) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Title(QStringLiteral("Порт опроса устройств по протоколу MODBUS-TCP"), this));
  auto* body = new QWidget(this);
  Form form(this, body);
  AddAddress(form);
  // The controller has one network: the box shows it and cannot be changed.
  auto* network = new QCheckBox(QStringLiteral("Сеть 1"), body);
  network->setChecked(true);
  network->setEnabled(false);
  form.Layout()->addRow(network);
  auto* port = static_cast<TPortRTUTCP*>(Item());
  // Seconds in the frame, 16-bit milliseconds in the fields: 65 s is the most they hold.
  form.SpinScaled(QStringLiteral("Время ожидания установки соединения, с"), 0, 65,
                  port->ConnectWait, 1000);
  form.SpinScaled(QStringLiteral("Интервал установки соединения, с"), 0, 65, port->ReconnectWait,
                  1000);
  form.Spin(QStringLiteral("Период опроса RTU, мс"), 10, 1000, port->PollPeriod);
  AddTimes(form);
  AddCount(form);
  layout->addWidget(body);
  layout->addStretch();
}

}  // namespace vilk::ui
