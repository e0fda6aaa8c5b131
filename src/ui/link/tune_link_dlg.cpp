#include "link/tune_link_dlg.h"

#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "network.h"
#include "qt_text.h"
#include "serial_ports.h"

namespace vilk::ui {

namespace {
// The dialog's address fields hold the first dotted byte in the most significant byte.
std::uint32_t ToField(const IPv4& ip) {
  return (static_cast<std::uint32_t>(ip[0]) << 24) | (ip[1] << 16) | (ip[2] << 8) | ip[3];
}
IPv4 FromField(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
          static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}
}  // namespace

TTuneLinkDlg::TTuneLinkDlg(QWidget* parent, const LinkSettings& settings)
    : QDialog(parent), settings_(settings) {
  setWindowTitle(QStringLiteral("Параметры связи"));
  auto* layout = new QVBoxLayout(this);
  com_ = new QRadioButton(QStringLiteral("Подключение через COM-порт"), this);
  net_ = new QRadioButton(QStringLiteral("Подключение по сети Ethernet"), this);
  (settings.IsUdp() ? net_ : com_)->setChecked(true);
  layout->addWidget(com_);
  auto* comForm = new QFormLayout;
  comEdit_ = new ClampSpinBox(this);
  comEdit_->setRange(0, 99);
  comEdit_->setValue(settings.ComN);
  comForm->addRow(QStringLiteral("Номер порта"), comEdit_);
  ports_ = new QComboBox(this);
  ports_->addItem(QStringLiteral("По номеру порта"), QString());
  for (const SerialPortEntry& p : SerialPortLister()()) ports_->addItem(Q(p.Text()), Q(p.Location));
  comForm->addRow(QStringLiteral("Порты компьютера :"), ports_);
  device_ = new QLineEdit(Q(settings.SerialDevice), this);
  device_->setPlaceholderText(QStringLiteral("пусто: устройство по номеру порта"));
  comForm->addRow(QStringLiteral("Устройство :"), device_);
  const int listed = ports_->findData(Q(settings.SerialDevice));
  ports_->setCurrentIndex(listed < 0 ? 0 : listed);
  // Choosing a port puts its device in the field; the field stays free for any other path.
  connect(ports_, &QComboBox::activated, this,
          [this](int index) { device_->setText(ports_->itemData(index).toString()); });
  layout->addLayout(comForm);
  layout->addWidget(net_);

  auto* netForm = new QFormLayout;
  auto row = [this](IpEdit* edit, void (TTuneLinkDlg::*copy)()) {
    auto* w = new QWidget(this);
    auto* h = new QHBoxLayout(w);
    h->setContentsMargins(0, 0, 0, 0);
    h->addWidget(edit);
    auto* b = new QToolButton(w);
    b->setText(QStringLiteral("↓"));
    b->setToolTip(QStringLiteral("Занести выбранный IP адрес"));
    connect(b, &QToolButton::clicked, this, copy);
    h->addWidget(b);
    return w;
  };
  self_ = new IpEdit(this);
  self_->SetValue(ToField(settings.SelfIP));
  dest_ = new IpEdit(this);
  dest_->SetValue(ToField(settings.DestIP));
  addresses_ = new QComboBox(this);
  for (const LocalAddress& a : LocalAddressList())
    addresses_->addItem(Q(a.Text), QVariant::fromValue<quint32>(a.Value));
  netForm->addRow(QStringLiteral("IP адреса в ПЭВМ :"), addresses_);
  netForm->addRow(QStringLiteral("IP адрес ПЭВМ :"), row(self_, &TTuneLinkDlg::CopyToSelf));
  netForm->addRow(QStringLiteral("IP адрес RTU :"), row(dest_, &TTuneLinkDlg::CopyToDest));
  layout->addLayout(netForm);

  auto* checkRow = new QHBoxLayout;
  check_ = new QPushButton(QStringLiteral("Проверить"), this);
  check_->setAutoDefault(false);
  connect(check_, &QPushButton::clicked, this, &TTuneLinkDlg::Check);
  checkRow->addWidget(check_);
  checkResult_ = new QLabel(this);
  checkResult_->setWordWrap(true);
  checkResult_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  checkRow->addWidget(checkResult_, 1);
  layout->addLayout(checkRow);
  CheckOptions.AnswerWaitMs = 1000;

  AddAcceptRow(this, layout, QStringLiteral("Установить"), QStringLiteral("Отменить"));
}

void TTuneLinkDlg::CopyToSelf() {
  if (addresses_->currentIndex() >= 0)
    self_->SetValue(ToField(FromLowFirst(addresses_->currentData().value<quint32>())));
}

void TTuneLinkDlg::CopyToDest() {
  if (addresses_->currentIndex() >= 0)
    dest_->SetValue(ToField(FromLowFirst(addresses_->currentData().value<quint32>())));
}

void TTuneLinkDlg::accept() {
  // The field takes any text, so that a longer stored path is shown whole, never cut.
  const qsizetype length = device_->text().trimmed().size();
  if (length > kMaxDevicePath) {
    checkResult_->setText(QStringLiteral("Путь устройства длиннее %1 символов (%2).")
                              .arg(kMaxDevicePath)
                              .arg(length));
    device_->setFocus();
    return;
  }
  QDialog::accept();
}

void TTuneLinkDlg::Check() {
  checkResult_->setText(QStringLiteral("Проверка..."));
  checkResult_->repaint();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const LinkCheckResult r = CheckLink(Result(), CheckOptions);
  QApplication::restoreOverrideCursor();
  checkResult_->setText(Q(r.Text));
}

LinkSettings TTuneLinkDlg::Result() const {
  LinkSettings s = settings_;
  s.LinkMode = net_->isChecked() ? kLinkUdp : kLinkSerial;
  s.ComN = comEdit_->value();
  s.SerialDevice = S(device_->text().trimmed());
  s.SelfIP = FromField(self_->Value());
  s.DestIP = FromField(dest_->Value());
  return s;
}

}  // namespace vilk::ui
