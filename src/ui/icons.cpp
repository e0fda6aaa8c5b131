#include "icons.h"

#include <QHash>
#include <QPainter>
#include <QPixmap>

namespace vilk::ui {

namespace {

struct Look {
  QColor color;
  const char* letter;
};

Look LookOf(int index) {
  switch (index) {
    case 0:
      return {QColor(150, 150, 150), "C"};  // COM board, free
    case 1:
      return {QColor(40, 90, 170), "P"};  // processor board
    case 3:
      return {QColor(30, 60, 120), "В"};  // controller
    case 4:
      return {QColor(0, 140, 140), "И"};  // ТИ
    case 5:
      return {QColor(0, 150, 60), "С"};  // ТС, МТС
    case 6:
      return {QColor(190, 90, 0), "У"};  // ТУ
    case 7:
      return {QColor(120, 60, 160), "Σ"};  // ТИИ
    case 8:
      return {QColor(30, 150, 60), "C"};  // COM board in use
    case 9:
      return {QColor(0, 120, 90), "D"};  // discrete-input board
    case 12:
      return {QColor(160, 40, 90), "Р"};  // ТР
    case 14:
      return {QColor(20, 110, 190), "IP"};  // IP port
    case 15:
      return {QColor(70, 90, 160), "ПК"};  // control-centre PC
    case 28:
      return {QColor(120, 100, 40), "SN"};  // SNMP device with tags
    default:
      return {QColor(90, 110, 130), "•"};
  }
}

QPixmap Draw(int index) {
  const int size = 16;
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  if (index < 0) return pm;
  const Look look = LookOf(index);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(look.color);
  p.setPen(look.color.darker(140));
  p.drawRoundedRect(QRectF(0.5, 0.5, size - 1, size - 1), 3, 3);
  QFont f = p.font();
  f.setPixelSize(std::strlen(look.letter) > 2 ? 9 : 10);
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRect(0, 0, size, size), Qt::AlignCenter, QString::fromUtf8(look.letter));
  return pm;
}

QPixmap Warning() {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(QColor(230, 170, 0));
  p.setPen(QColor(140, 90, 0));
  p.drawPolygon(QPolygonF({QPointF(8, 1), QPointF(15, 15), QPointF(1, 15)}));
  p.setPen(Qt::black);
  QFont f = p.font();
  f.setPixelSize(10);
  f.setBold(true);
  p.setFont(f);
  p.drawText(QRect(0, 3, 16, 13), Qt::AlignCenter, QStringLiteral("!"));
  return pm;
}

}  // namespace

QIcon NodeIcon(int index) {
  static QHash<int, QIcon> cache;
  auto it = cache.find(index);
  if (it == cache.end()) it = cache.insert(index, QIcon(Draw(index)));
  return *it;
}

QIcon NodeIconWithState(int index, int state) {
  if (state != 3) return NodeIcon(index);
  static QHash<int, QIcon> cache;
  auto it = cache.find(index);
  if (it == cache.end()) {
    QPixmap pm(34, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.drawPixmap(0, 0, Warning());
    p.drawPixmap(18, 0, Draw(index));
    it = cache.insert(index, QIcon(pm));
  }
  return *it;
}

}  // namespace vilk::ui
