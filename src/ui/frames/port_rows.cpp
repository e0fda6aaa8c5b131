#include "frames/port_rows.h"

#include <QHBoxLayout>
#include <QMouseEvent>

#include "controller/controller.h"
#include "model/configuration.h"

namespace vilk::ui {

PortRows::PortRows(ItemFrame* frame) : QObject(frame), frame_(frame) {}

TPort* PortRows::Port() const {
  return frame_->Item()->AsPort();
}

void PortRows::AddAddress(Form& form) {
  address_ = new QLineEdit(form.Container());
  address_->setObjectName(QStringLiteral("Адрес порта"));
  address_->setReadOnly(true);
  address_->setMaximumWidth(address_->fontMetrics().horizontalAdvance(QStringLiteral("8888")) + 16);
  address_->installEventFilter(this);
  form.Add(QStringLiteral("Адрес порта"), address_);
  frame_->Bind([this] { address_->setText(QString::number(Port()->Number)); }, [] {});
}

void PortRows::AddBoard(Form& form, const QString& objectName) {
  auto* row = new QWidget(form.Container());
  auto* h = new QHBoxLayout(row);
  h->setContentsMargins(0, 0, 0, 0);
  board_ = new QComboBox(row);
  board_->setObjectName(objectName);
  board_->setMinimumContentsLength(14);
  tune_ = new QPushButton(QStringLiteral("Настроить"), row);
  h->addWidget(board_);
  h->addWidget(tune_);
  h->addStretch();
  form.Add(QStringLiteral("Плата"), row);
  connect(board_, &QComboBox::activated, this, &PortRows::BoardChosen);
  connect(tune_, &QPushButton::clicked, this, [this] { Port()->GoToLinked(); });
}

void PortRows::AddCount(Form& form) {
  count_ = new QLabel(form.Container());
  count_->setObjectName(QStringLiteral("CountLabel"));
  form.Add(QString(), count_);
}

void PortRows::Refresh() {
  TPort* port = Port();
  if (address_) address_->setText(QString::number(port->Number));
  if (count_ && countText_) count_->setText(Q(countText_()));
  if (!board_) return;
  boards_ = port->Config().Controller().BoardCandidates(port, port->BoardMask);
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
void PortRows::BoardChosen(int index) {
  TPort* port = Port();
  TBlock* board = index > 0 && index <= static_cast<int>(boards_.size())
                      ? boards_[static_cast<std::size_t>(index - 1)]
                      : nullptr;
  if (board == port->LinkedBoard) return;
  TController::SelectBoard(port, board);
  frame_->ItemEdited();
  if (reshowFrame_)
    frame_->SetToFrame();
  else
    Refresh();
}

bool PortRows::eventFilter(QObject* watched, QEvent* event) {
  if (watched == address_ && event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    OpenAddressPicker();
    return true;
  }
  return QObject::eventFilter(watched, event);
}

TAddrEditForm* PortRows::OpenAddressPicker() {
  if (picker_) return picker_;
  TPort* port = Port();
  AddressRange range = PortAddresses();
  if (TItem* parent = port->Parent())
    for (int i = 0; i < parent->ChildCount(); ++i)
      if (TItem* other = parent->Child(i); other != port) range.Used.insert(other->Number);
  range.Own = port->Number;
  picker_ = new TAddrEditForm(range, frame_);
  picker_->setAttribute(Qt::WA_DeleteOnClose);
  picker_->move(address_->mapToGlobal(QPoint(0, address_->height())));
  connect(picker_, &TAddrEditForm::Picked, this, [this](int number) {
    TPort* p = Port();
    if (number == p->Number) return;
    if (renumber_) {
      renumber_(static_cast<std::uint8_t>(number));
    } else {
      p->Number = static_cast<std::uint8_t>(number);
      p->UpdateCaption();
    }
    address_->setText(QString::number(number));
    frame_->ItemEdited();
  });
  picker_->show();
  return picker_;
}

void DevicePortFrame::SetToFrame() {
  rows_->CatchUp();
  ItemFrame::SetToFrame();
  rows_->Refresh();
}

}  // namespace vilk::ui
