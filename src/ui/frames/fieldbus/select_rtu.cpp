#include "frames/fieldbus/select_rtu.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "ports/fieldbus/modbus.h"
#include "ports/fieldbus/templates.h"
#include "qt_text.h"
#include "widgets.h"

namespace vilk::ui {

namespace {
constexpr int kColumns = 16;
constexpr int kGap = 6;  // after every fourth column and row
}  // namespace

TSelectRTU::TSelectRTU(QWidget* parent, const std::map<int, std::string>& used,
                       const std::vector<std::string>& types)
    : QDialog(parent), used_(used) {
  setWindowTitle(QStringLiteral("Выбор сетевых адресов добавляемых устройств"));
  auto* layout = new QVBoxLayout(this);

  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel(QStringLiteral("Тип устройства"), this));
  typeBox_ = new QComboBox(this);
  typeBox_->setObjectName(QStringLiteral("Тип устройства"));
  typeBox_->setToolTip(QStringLiteral("Выбранный блок"));
  for (const std::string& t : types) typeBox_->addItem(Q(t));
  typeBox_->setCurrentIndex(typeBox_->count() > 0 ? 0 : -1);
  typeBox_->setMinimumContentsLength(16);
  top->addWidget(typeBox_, 1);
  layout->addLayout(top);

  auto* board = new QGridLayout;
  board->setSpacing(1);
  QFont bold = font();
  bold.setBold(true);
  const int side = QFontMetrics(bold).horizontalAdvance(QStringLiteral("888")) + 12;
  for (int a = 1; a <= kAddresses; ++a) {
    const int r = (a - 1) / kColumns, c = (a - 1) % kColumns;
    auto* b = new QPushButton(QString::number(a), this);
    b->setObjectName(QStringLiteral("addr%1").arg(a));
    b->setFixedSize(side, QFontMetrics(bold).height() + 10);
    b->setFocusPolicy(Qt::NoFocus);
    b->installEventFilter(this);
    buttons_[static_cast<std::size_t>(a)] = b;
    if (auto it = used_.find(a); it != used_.end()) {
      // A used address does not react: flat and black, its type as the hint.
      b->setFlat(true);
      QPalette p = b->palette();
      p.setColor(QPalette::ButtonText, Qt::black);
      b->setPalette(p);
      b->setToolTip(Q(it->second));
    } else {
      b->setCheckable(true);
      b->setFont(bold);
      Paint(b, false);
      connect(b, &QPushButton::clicked, this, [this, a] { Toggle(a); });
    }
    board->addWidget(b, r + r / 4, c + c / 4);
  }
  for (int g = 1; g < 4; ++g) {
    board->setRowMinimumHeight(g * 5 - 1, kGap);
    board->setColumnMinimumWidth(g * 5 - 1, kGap);
  }
  layout->addLayout(board);

  panel_ = new QLabel(this);
  panel_->setFrameShape(QFrame::Panel);
  panel_->setFrameShadow(QFrame::Sunken);
  panel_->setMinimumHeight(panel_->fontMetrics().height() + 6);
  layout->addWidget(panel_);
  add_ = AddAcceptRow(this, layout, QStringLiteral("Добавить"), QStringLiteral("Отмена"));
}

QPushButton* TSelectRTU::Button(int address) const {
  return address >= 1 && address <= kAddresses ? buttons_[static_cast<std::size_t>(address)]
                                               : nullptr;
}

void TSelectRTU::Paint(QPushButton* button, bool chosen) {
  // Free: raised silver with blue numbers; chosen: lowered and white.
  QPalette p = button->palette();
  p.setColor(QPalette::Button, chosen ? QColor(Qt::white) : QColor(0xC0, 0xC0, 0xC0));
  p.setColor(QPalette::ButtonText, Qt::blue);
  button->setPalette(p);
  button->setAutoFillBackground(true);
}

void TSelectRTU::Toggle(int address) {
  QPushButton* b = Button(address);
  if (chosen_.count(address)) {
    chosen_.erase(address);
    b->setChecked(false);
    b->setToolTip(QString());
    Paint(b, false);
    return;
  }
  const std::string type = S(typeBox_->currentText());
  chosen_[address] = type;
  b->setChecked(true);
  b->setToolTip(Q(type));
  Paint(b, true);
}

bool TSelectRTU::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Enter)
    if (auto* b = qobject_cast<QPushButton*>(watched); b && !b->toolTip().isEmpty())
      panel_->setText(QStringLiteral("  %1 = %2").arg(b->text(), b->toolTip()));
  return QDialog::eventFilter(watched, event);
}

std::vector<std::pair<int, std::string>> TSelectRTU::Chosen() const {
  return {chosen_.begin(), chosen_.end()};
}

TItem* AddModbusDevices(TItem* item, int kind, QWidget* parent) {
  auto* port = dynamic_cast<TPortMODBUS*>(item);
  if (!port) return item->AddChild(kind);
  std::map<int, std::string> used;
  for (const TRTU* d : port->ModbusDevices()) used[d->Number] = d->Name();
  TSelectRTU dialog(parent, used, ModbusTemplates().DeviceNames());
  if (dialog.exec() != QDialog::Accepted) return nullptr;
  const std::vector<TRTU*> added = port->AddDevices(dialog.Chosen());
  return added.empty() ? nullptr : added.front();
}

}  // namespace vilk::ui
