#include "port_ip_frame.h"

#include <QVBoxLayout>

#include "controller/controller.h"
#include "model/configuration.h"

namespace vilk::ui {

TPortIPFrame::TPortIPFrame(TItem* item, QWidget* parent) : ItemFrame(item, parent) {
  auto* layout = new QVBoxLayout(this);
  auto* body = new QWidget(this);
  Form form(this, body);
  TPortIP* p = Port();

  Form net1 = form.Group(QStringLiteral(" Сеть 1 "));
  net1.Ip(QStringLiteral("IP Адрес"), p->Net1Ip);
  net1.Ip(QStringLiteral("Маска  подсети"), p->Net1Mask);
  net1.Ip(QStringLiteral("IP Адрес шлюза"), p->Net1Gateway);

  Form net2 = form.Group(QStringLiteral(" Сеть 2 "));
  net2.Ip(QStringLiteral("IP Адрес"), p->Net2Ip);
  net2.Ip(QStringLiteral("Маска  подсети"), p->Net2Mask);
  net2.Ip(QStringLiteral("IP Адрес шлюза"), p->Net2Gateway);
  net2_ = net2.Container();

  Form gsm = form.Group(QStringLiteral(" Сеть GSM "));
  gsm.Text(QStringLiteral("Точка доступа"), p->GsmApn, 16);
  gsm.Text(QStringLiteral("Имя пользователя"), p->GsmUser, 16);
  gsm.Text(QStringLiteral("Пароль"), p->GsmPassword, 16);
  gsm.Choice(QStringLiteral("Тип аутентификации"),
             {{QStringLiteral("нет"), 0},
              {QStringLiteral("PAP"), 1},
              {QStringLiteral("CHAP"), 2},
              {QStringLiteral("PAP или CHAP"), 3}},
             p->GsmAuth);
  gsm.Choice(QStringLiteral("Тип сети GSM"),
             {{QStringLiteral("Авто"), 0}, {QStringLiteral("2G"), 2}, {QStringLiteral("4G"), 4}},
             p->GsmNetType);
  gsm_ = gsm.Container();

  pcs_ = new QLabel(body);
  form.Add(QString(), pcs_);
  layout->addWidget(body);
  layout->addStretch();
}

void TPortIPFrame::SetToFrame() {
  ItemFrame::SetToFrame();
  const ControllerDescription& desc = Item()->Config().Controller().Desc;
  net2_->setVisible(desc.EthernetCount >= 2);
  gsm_->setVisible(desc.Gsm != 0);
  pcs_->setText(QStringLiteral("Количество подключенных ПЭВМ = %1").arg(Port()->PcTotal()));
}

}  // namespace vilk::ui
